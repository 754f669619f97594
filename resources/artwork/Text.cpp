#include "resources/artwork/Text.h"

#include <pango/pangocairo.h>

#include <cmath>
#include <memory>
#include <set>

namespace {

struct GObjectDeleter {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, GObjectDeleter>;

struct FontDescriptionDeleter {
  void operator()(PangoFontDescription* description) const { pango_font_description_free(description); }
};

// Grey antialiasing, slight hinting and whole-pixel metrics: sharp stems at
// 11 and 12 pixels without the distorted shapes of full hinting.
const cairo_font_options_t* RenderingOptions() {
  static cairo_font_options_t* options = [] {
    cairo_font_options_t* made = cairo_font_options_create();
    cairo_font_options_set_antialias(made, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_subpixel_order(made, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    cairo_font_options_set_hint_style(made, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(made, CAIRO_HINT_METRICS_ON);
    return made;
  }();
  return options;
}

LayoutPtr MakeLayout(cairo_t* cr, std::string_view text, const Font& font) {
  LayoutPtr layout(pango_cairo_create_layout(cr));
  PangoContext* context = pango_layout_get_context(layout.get());
  pango_cairo_context_set_font_options(context, RenderingOptions());
  pango_context_set_round_glyph_positions(context, TRUE);
  pango_layout_context_changed(layout.get());

  std::unique_ptr<PangoFontDescription, FontDescriptionDeleter> description(pango_font_description_new());
  pango_font_description_set_family(description.get(), font.family);
  pango_font_description_set_weight(description.get(), static_cast<PangoWeight>(font.weight));
  pango_font_description_set_absolute_size(description.get(), font.px * PANGO_SCALE);
  pango_layout_set_font_description(layout.get(), description.get());
  if (font.underline) {
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    pango_layout_set_attributes(layout.get(), attributes);
    pango_attr_list_unref(attributes);
  }
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  return layout;
}

// Top and bottom of Hangul ink relative to the baseline (top negative).
struct InkSpan {
  double top;
  double bottom;
};

InkSpan HangulInk(cairo_t* cr, const Font& font) {
  LayoutPtr layout = MakeLayout(cr, "가나한글", font);
  PangoRectangle ink;
  pango_layout_get_pixel_extents(layout.get(), &ink, nullptr);
  const double baseline = pango_layout_get_baseline(layout.get()) / static_cast<double>(PANGO_SCALE);
  return {ink.y - baseline, ink.y + ink.height - baseline};
}

}  // namespace

void RequireFonts() {
  PangoFontMap* map = pango_cairo_font_map_get_default();
  PangoFontFamily** families = nullptr;
  int count = 0;
  pango_font_map_list_families(map, &families, &count);
  std::set<std::string> installed;
  for (int i = 0; i < count; ++i) installed.insert(pango_font_family_get_name(families[i]));
  g_free(families);
  for (const char* needed : {fonts::kGothic, fonts::kBarun, fonts::kRound}) {
    if (!installed.contains(needed)) {
      throw ArtworkError(std::string("font family ") + needed + " is not installed (Debian package fonts-nanum)");
    }
  }
}

double TextWidth(cairo_t* cr, std::string_view text, const Font& font) {
  LayoutPtr layout = MakeLayout(cr, text, font);
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
  return logical.width;
}

double DrawLine(cairo_t* cr, std::string_view text, const Font& font, Rgb colour, Box box, Align align) {
  LayoutPtr layout = MakeLayout(cr, text, font);
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
  if (logical.width > box.w + 0.01) {
    throw ArtworkError("text \"" + std::string(text) + "\" is " + std::to_string(logical.width) +
                       " pixels wide, more than the " + std::to_string(static_cast<int>(box.w)) + " it has");
  }
  double x = box.x;
  if (align == Align::kCentre) x = box.x + std::floor((box.w - logical.width) / 2);
  if (align == Align::kRight) x = box.x + box.w - logical.width;

  const InkSpan ink = HangulInk(cr, font);
  const double baselineY = std::round(box.y + box.h / 2 - (ink.top + ink.bottom) / 2);
  const double layoutBaseline = pango_layout_get_baseline(layout.get()) / static_cast<double>(PANGO_SCALE);

  cairo_save(cr);
  SetColour(cr, colour);
  cairo_move_to(cr, std::round(x) - logical.x, baselineY - layoutBaseline);
  pango_cairo_show_layout(cr, layout.get());
  cairo_restore(cr);
  return std::round(x) + logical.width;
}

void CentredTextPath(cairo_t* cr, std::string_view text, const Font& font, double cx, double cy) {
  LayoutPtr layout = MakeLayout(cr, text, font);
  PangoRectangle ink;
  pango_layout_get_extents(layout.get(), &ink, nullptr);
  const double scale = PANGO_SCALE;
  cairo_move_to(cr, cx - (ink.x + ink.width / 2.0) / scale, cy - (ink.y + ink.height / 2.0) / scale);
  pango_cairo_layout_path(cr, layout.get());
}

Font FitFont(cairo_t* cr, std::string_view text, Font font, double width, double minimumPx, const std::string& what) {
  for (; font.px >= minimumPx; font.px -= 0.5) {
    if (TextWidth(cr, text, font) <= width) return font;
  }
  throw ArtworkError(what + " \"" + std::string(text) + "\" does not fit in " + std::to_string(static_cast<int>(width)) +
                     " pixels even at " + std::to_string(minimumPx) + " px");
}
