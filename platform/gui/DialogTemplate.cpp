#include "platform/gui/DialogTemplate.h"

#include <optional>

#include "platform/resources/ModuleResources.h"
#include "platform/text/Utf.h"

namespace platform::gui {

namespace {

constexpr uint16_t kExtendedSignature = 0xFFFF;
constexpr size_t kMaxItems = 1024;

// A bounds-checked little-endian reader; every read past the end fails the
// whole parse.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

  std::optional<uint16_t> U16() {
    if (m_at > m_bytes.size() || m_bytes.size() - m_at < 2) return std::nullopt;
    const uint16_t v = static_cast<uint16_t>(m_bytes[m_at] | (m_bytes[m_at + 1] << 8));
    m_at += 2;
    return v;
  }
  std::optional<uint32_t> U32() {
    auto lo = U16();
    auto hi = lo ? U16() : std::nullopt;
    if (!hi) return std::nullopt;
    return static_cast<uint32_t>(*lo) | (static_cast<uint32_t>(*hi) << 16);
  }
  std::optional<int16_t> S16() {
    auto v = U16();
    if (!v) return std::nullopt;
    return static_cast<int16_t>(*v);
  }
  std::optional<uint8_t> U8() {
    if (m_at >= m_bytes.size()) return std::nullopt;
    return m_bytes[m_at++];
  }
  // A NUL-terminated UTF-16 string, as UTF-8.
  std::optional<std::string> String() {
    if (m_at > m_bytes.size()) return std::nullopt;
    std::optional<TerminatedUtf16> text = ReadTerminatedUtf16(m_bytes.subspan(m_at));
    if (!text) return std::nullopt;
    m_at += text->byteCount;
    return Utf16ToUtf8(text->units);
  }
  // sz_Or_Ord: 0 (none), 0xFFFF + ordinal, or a string.
  std::optional<std::string> NameOrOrdinal(uint16_t* pOrdinal) {
    auto first = U16();
    if (!first) return std::nullopt;
    if (*first == 0) return std::string();
    if (*first == 0xFFFF) {
      auto ordinal = U16();
      if (!ordinal) return std::nullopt;
      if (pOrdinal) *pOrdinal = *ordinal;
      return std::string();
    }
    m_at -= 2;
    return String();
  }
  bool AlignTo4() {
    m_at = (m_at + 3) & ~static_cast<size_t>(3);
    return m_at <= m_bytes.size();
  }
  bool Skip(size_t n) {
    if (m_at > m_bytes.size() || m_bytes.size() - m_at < n) return false;
    m_at += n;
    return true;
  }
  bool AtEnd() const { return m_at >= m_bytes.size(); }

 private:
  std::span<const uint8_t> m_bytes;
  size_t m_at = 0;
};

std::string PredefinedClass(uint16_t ordinal) {
  switch (ordinal) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
    default: return "#" + std::to_string(ordinal);
  }
}

bool ReadRect(Reader& r, Rect* pRect) {
  auto x = r.S16(), y = x ? r.S16() : std::nullopt, cx = y ? r.S16() : std::nullopt,
       cy = cx ? r.S16() : std::nullopt;
  if (!cy) return false;
  *pRect = {*x, *y, *x + *cx, *y + *cy};
  return true;
}

}  // namespace

std::expected<DialogTemplate, Win32Error> DialogTemplate::Parse(std::span<const uint8_t> bytes) {
  const auto bad = std::unexpected(kErrorInvalidData);
  Reader r(bytes);
  DialogTemplate t;
  auto version = r.U16(), signature = version ? r.U16() : std::nullopt;
  if (!signature) return bad;
  t.extended = *version == 1 && *signature == kExtendedSignature;
  Reader header(bytes);
  uint16_t count = 0;
  if (t.extended) {
    header = r;
    auto help = header.U32(), ex = help ? header.U32() : std::nullopt, style = ex ? header.U32() : std::nullopt;
    auto items = style ? header.U16() : std::nullopt;
    if (!items) return bad;
    t.exStyle = *ex;
    t.style = *style;
    count = *items;
  } else {
    auto style = header.U32(), ex = style ? header.U32() : std::nullopt;
    auto items = ex ? header.U16() : std::nullopt;
    if (!items) return bad;
    t.style = *style;
    t.exStyle = *ex;
    count = *items;
  }
  if (count > kMaxItems || !ReadRect(header, &t.rect)) return bad;
  auto menu = header.NameOrOrdinal(nullptr);
  uint16_t classOrdinal = 0;
  auto className = menu ? header.NameOrOrdinal(&classOrdinal) : std::nullopt;
  auto title = className ? header.String() : std::nullopt;
  if (!title) return bad;
  t.className = classOrdinal ? PredefinedClass(classOrdinal) : *className;
  t.title = *title;
  if (t.style & DS_SETFONT) {
    auto points = header.U16();
    if (!points) return bad;
    t.pointSize = *points;
    if (t.extended) {
      auto weight = header.U16();
      auto italic = weight ? header.U8() : std::nullopt, charset = italic ? header.U8() : std::nullopt;
      if (!charset) return bad;
      t.weight = *weight;
      t.italic = *italic != 0;
    }
    auto face = header.String();
    if (!face) return bad;
    t.faceName = *face;
  }

  for (uint16_t i = 0; i < count; ++i) {
    if (!header.AlignTo4()) return bad;
    DialogItemTemplate item;
    if (t.extended) {
      auto help = header.U32(), ex = help ? header.U32() : std::nullopt, style = ex ? header.U32() : std::nullopt;
      if (!style || !ReadRect(header, &item.rect)) return bad;
      auto id = header.U32();
      if (!id) return bad;
      item.exStyle = *ex;
      item.style = *style;
      item.id = *id;
    } else {
      auto style = header.U32(), ex = style ? header.U32() : std::nullopt;
      if (!ex || !ReadRect(header, &item.rect)) return bad;
      auto id = header.U16();
      if (!id) return bad;
      item.style = *style;
      item.exStyle = *ex;
      item.id = *id;
    }
    uint16_t ordinal = 0;
    auto itemClass = header.NameOrOrdinal(&ordinal);
    uint16_t textOrdinal = 0;
    auto text = itemClass ? header.NameOrOrdinal(&textOrdinal) : std::nullopt;
    auto extra = text ? header.U16() : std::nullopt;
    if (!extra || !header.Skip(*extra)) return bad;
    item.className = ordinal ? PredefinedClass(ordinal) : *itemClass;
    item.text = *text;
    t.items.push_back(std::move(item));
  }
  return t;
}

std::expected<DialogTemplate, Win32Error> DialogTemplate::Load(UINT nIDTemplate) {
  if (nIDTemplate > 0xFFFF) return std::unexpected(kErrorResourceNameNotFound);
  auto bytes = FindModuleResource(ResourceName(kRtDialog), ResourceName(static_cast<uint16_t>(nIDTemplate)));
  if (!bytes) return std::unexpected(bytes.error());
  return Parse(*bytes);
}

}  // namespace platform::gui
