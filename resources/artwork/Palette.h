#pragma once

#include <cairo.h>

// The colours and type of the wizard's artwork: one pink family, greys, and
// white panels, so that every picture looks part of one product. The text
// colours the program itself uses for its own drawing (102 grey, 45 dark,
// 226,86,168 pink, 223,64,165 deep pink) recur here on purpose.

struct Rgb {
  int r;
  int g;
  int b;
};

inline void SetColour(cairo_t* cr, Rgb colour, double alpha = 1.0) {
  cairo_set_source_rgba(cr, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0, alpha);
}

// Mixes two colours: t = 0 gives a, t = 1 gives b.
inline Rgb Mix(Rgb a, Rgb b, double t) {
  auto channel = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
  return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

namespace palette {

// Pinks, light to dark.
inline constexpr Rgb kPinkTint{253, 241, 248};     // tinted surfaces
inline constexpr Rgb kPinkPale{247, 205, 230};     // borders on tint
inline constexpr Rgb kPinkLight{236, 120, 190};    // hover
inline constexpr Rgb kPink{226, 86, 168};          // the brand colour
inline constexpr Rgb kPinkDeep{223, 64, 165};      // gradients' dark end, percent text
inline constexpr Rgb kPinkPressed{196, 46, 142};   // pressed buttons
inline constexpr Rgb kPinkShadow{170, 36, 122};    // edges of pink shapes

// Greys, light to dark.
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kWindow{242, 242, 245};       // window body around the panels
inline constexpr Rgb kTrack{234, 234, 238};        // empty tracks, inactive cards
inline constexpr Rgb kHairline{222, 222, 228};     // panel frames, separators
inline constexpr Rgb kBorder{200, 200, 207};       // control borders
inline constexpr Rgb kGreyIcon{180, 180, 188};     // inactive pictograms
inline constexpr Rgb kGreyMute{150, 150, 158};     // inactive captions
inline constexpr Rgb kGreyText{102, 102, 102};     // body text
inline constexpr Rgb kGreyStrong{54, 54, 54};      // telephone numbers
inline constexpr Rgb kInk{45, 45, 45};             // headings

// Failure.
inline constexpr Rgb kRed{226, 52, 60};
inline constexpr Rgb kRedDark{186, 30, 40};
inline constexpr Rgb kRedLight{244, 104, 104};

}  // namespace palette
