#include "platform/gui/Font.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "platform/gui/GdiNative_gtk.h"
#include "platform/gui/NativeObjects.h"

namespace platform::gui {

extern const char kFontConfiguration[];

namespace {

constexpr int kDefaultHeight = 12;
// Metrics are read once at this size and scaled, so a cell height can be
// turned into the em size that gives it.
constexpr double kReferenceEm = 100.0;

struct EmMetrics {
  double ascent = 0;
  double descent = 0;
  double averageWidth = 0;
};

EmMetrics MetricsAt(PangoFontDescription* desc, double em) {
  pango_font_description_set_absolute_size(desc, em * PANGO_SCALE);
  PangoFontMetrics* metrics =
      pango_context_get_metrics(SharedPangoContext(), desc, pango_language_from_string("ko"));
  EmMetrics result{pango_units_to_double(pango_font_metrics_get_ascent(metrics)),
                   pango_units_to_double(pango_font_metrics_get_descent(metrics)),
                   pango_units_to_double(pango_font_metrics_get_approximate_char_width(metrics))};
  pango_font_metrics_unref(metrics);
  return result;
}

// Gulim and Dotum, the faces the dialogs name, have no internal leading: a
// cell height is their em size, with an ascent of 220/256 of it (12 pixels:
// 12-pixel glyphs on a baseline 10 pixels down). NanumGothic, which stands
// in for them, has a taller line; sized by its own cell its glyphs would
// come out a fifth smaller and narrower than the dialogs were laid out for.
constexpr double kGulimAscent = 220.0 / 256.0;

bool StandsForGulim(std::string_view face) {
  for (std::string_view name : {"굴림", "돋음", "돋움", "Gulim", "Dotum"})
    if (face == name) return true;
  return false;
}

}  // namespace

void FreeNativeFont(NativeFont* p) {
  if (!p) return;
  pango_font_description_free(p->desc);
  delete p;
}

void EnsureFontConfiguration() {
  static std::once_flag once;
  std::call_once(once, [] {
    FcInit();
    FcConfig* config = FcConfigGetCurrent();
    // A rule file that does not parse leaves the faces to fontconfig's own
    // fallback (a sans-serif face); the wizard still draws its text.
    FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kFontConfiguration), FcFalse);
  });
}

PangoContext* SharedPangoContext() {
  static PangoContext* context = [] {
    EnsureFontConfiguration();
    PangoFontMap* map = pango_cairo_font_map_new();
    PangoContext* ctx = pango_font_map_create_context(map);
    g_object_unref(map);  // the context keeps it
    // The same rendering on screen and on image surfaces: grey antialiasing,
    // slight hinting and whole-pixel metrics, so widths are integers.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(ctx, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(ctx, 96.0);
    pango_context_set_language(ctx, pango_language_from_string("ko"));
    pango_context_set_base_dir(ctx, PANGO_DIRECTION_LTR);
    return ctx;
  }();
  return context;
}

BOOL Font::CreateFont(int nHeight, int, int, int, int nWeight, uint8_t bItalic, uint8_t bUnderline, uint8_t,
                      uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, std::string_view face) {
  return Create(face, nHeight, nWeight, bUnderline != 0, bItalic != 0);
}

BOOL Font::Create(std::string_view face, int nHeight, int nWeight, bool bUnderline, bool bItalic) {
  if (nHeight < -4096 || nHeight > 4096) return FALSE;
  PangoFontDescription* desc = pango_font_description_new();
  const std::string family(face.empty() ? std::string_view("굴림") : face);
  pango_font_description_set_family(desc, family.c_str());
  // FW_DONTCARE (0) is a normal weight; pango's scale runs 100 to 1000 as GDI's.
  const int weight = nWeight <= 0 ? FW_NORMAL : std::clamp(nWeight, 100, 1000);
  pango_font_description_set_weight(desc, static_cast<PangoWeight>(weight));
  pango_font_description_set_style(desc, bItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);

  double em = 0;
  const int height = nHeight == 0 ? kDefaultHeight : nHeight;
  const bool gulim = height > 0 && StandsForGulim(family);
  if (gulim) {
    em = height;
  } else if (height > 0) {
    const EmMetrics reference = MetricsAt(desc, kReferenceEm);
    const double cell = reference.ascent + reference.descent;
    em = cell > 0 ? height * kReferenceEm / cell : height;
  } else {
    em = -height;
  }
  const EmMetrics actual = MetricsAt(desc, em);

  TEXTMETRIC tm;
  tm.tmAscent = static_cast<int>(std::lround(actual.ascent));
  tm.tmHeight = height > 0 ? height : tm.tmAscent + static_cast<int>(std::lround(actual.descent));
  if (gulim) tm.tmAscent = static_cast<int>(std::lround(height * kGulimAscent));
  tm.tmAscent = std::clamp(tm.tmAscent, 0, tm.tmHeight);
  tm.tmDescent = tm.tmHeight - tm.tmAscent;
  tm.tmInternalLeading = std::max(0, tm.tmHeight - static_cast<int>(std::lround(em)));
  tm.tmAveCharWidth = std::max(1, static_cast<int>(std::lround(actual.averageWidth)));
  tm.tmWeight = weight;

  FreeNativeFont(m_pNative);
  m_pNative = new NativeFont{desc, bUnderline, tm};
  return TRUE;
}

TEXTMETRIC Font::GetTextMetrics() const { return m_pNative ? m_pNative->metrics : TEXTMETRIC{}; }

std::string Font::GetResolvedFamily() const {
  if (!m_pNative) return {};
  PangoContext* ctx = SharedPangoContext();
  PangoFont* font = pango_font_map_load_font(pango_context_get_font_map(ctx), ctx, m_pNative->desc);
  if (!font) return {};
  PangoFontDescription* described = pango_font_describe(font);
  std::string family = pango_font_description_get_family(described) ? pango_font_description_get_family(described) : "";
  pango_font_description_free(described);
  g_object_unref(font);
  return family;
}

const Font& DefaultGuiFont() {
  static const Font* font = [] {
    auto* f = new Font;
    f->Create("굴림", kDefaultHeight);
    return f;
  }();
  return *font;
}

}  // namespace platform::gui
