#include "platform/text/font_catalog.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/ascii_case.h"
#include "base/utf8.h"

namespace vx::text {

namespace {

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

// fontconfig's caches of the system's font folders.
constexpr const char kSystemCaches[] =
    "<cachedir>/var/cache/fontconfig</cachedir><cachedir prefix=\"xdg\">fontconfig</cachedir>";

// Our own fontconfig setup: the given font folders and caches, and none of its rules nor
// a user's fonts, so that the faces chosen depend only on which fonts are installed.
std::string FontConfigFor(const std::vector<std::string>& folders, const std::string& caches) {
  std::string xml =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n";
  for (const std::string& folder : folders) xml += "<dir>" + XmlEscaped(folder) + "</dir>\n";
  return xml + caches + "\n</fontconfig>\n";
}

// Windows core faces and the families made to measure the same.
struct Alias {
  std::u16string_view windows;
  std::u16string_view family;
};
constexpr Alias kAliases[] = {
    {u"Arial", u"Liberation Sans"},
    {u"Times New Roman", u"Liberation Serif"},
    {u"Courier New", u"Liberation Mono"},
    {u"Calibri", u"Carlito"},
    {u"Cambria", u"Caladea"},
};

// Where a character the chosen face lacks is looked for first: Arabic, Devanagari, Thai,
// CJK, then a broad sans face (Hebrew, Greek, Cyrillic, Armenian, Georgian, symbols).
constexpr std::u16string_view kFallbackFamilies[] = {
    u"KacstOne", u"Lohit Devanagari", u"Garuda", u"WenQuanYi Micro Hei", u"DejaVu Sans",
};

bool SameName(std::u16string_view a, std::u16string_view b) { return SameIgnoringAsciiCase(a, b); }

int OpenTypeWeight(FcPattern* pattern) {
  FcValue value;
  if (FcPatternGet(pattern, FC_WEIGHT, 0, &value) != FcResultMatch) return 400;
  const double fc = value.type == FcTypeInteger ? value.u.i
                    : value.type == FcTypeDouble ? value.u.d
                                                 : FC_WEIGHT_REGULAR;
  return static_cast<int>(FcWeightToOpenTypeDouble(fc));
}

// Lower is better: a normal width, the requested slant, then the nearest weight.
int StyleDistance(const CatalogFace& face, LONG weight, bool italic) {
  return (face.normal_width ? 0 : 100000) + (face.italic == italic ? 0 : 10000) +
         std::abs(face.weight - static_cast<int>(weight));
}

const std::u16string* FamilyName(const CatalogFace& face, std::u16string_view name) {
  for (const std::u16string& family : face.families) {
    if (SameName(family, name)) return &family;
  }
  return nullptr;
}

FaceChoice Choose(const CatalogFace& face, const std::u16string& family, LONG weight,
                  bool italic) {
  FaceChoice choice;
  choice.face = &face;
  choice.family = family;
  choice.synthetic_bold = weight >= kBoldWeight && face.weight < kBoldWeight;
  choice.synthetic_italic = italic && !face.italic;
  return choice;
}

LONG EffectiveWeight(LONG weight) { return weight <= 0 ? 400 : std::min<LONG>(weight, 1000); }

int FontVersion(FcPattern* pattern) {
  int version = 0;
  FcPatternGetInteger(pattern, FC_FONTVERSION, 0, &version);
  return version;
}

}  // namespace

const FontCatalog& FontCatalog::System() {
  // Never destroyed: fonts may be used until exit.
  static const FontCatalog* catalog =
      new FontCatalog(FontConfigFor({"/usr/share/fonts", "/usr/local/share/fonts"}, kSystemCaches));
  return *catalog;
}

FontCatalog::FontCatalog(const std::vector<std::string>& folders, const std::string& cache_folder)
    : FontCatalog(FontConfigFor(folders, "<cachedir>" + XmlEscaped(cache_folder) + "</cachedir>")) {}

FontCatalog::FontCatalog(const std::string& config_xml) {
  FcConfig* config = FcConfigCreate();
  config_ = config;
  if (!config) return;
  if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(config_xml.c_str()),
                                      FcFalse) ||
      !FcConfigBuildFonts(config)) {
    return;
  }
  FcFontSet* set = FcConfigGetFonts(config, FcSetSystem);
  for (int i = 0; set && i < set->nfont; ++i) Add(set->fonts[i]);
  // A fixed order, whatever order the folders were scanned in.
  std::sort(faces_.begin(), faces_.end(), [](const CatalogFace& a, const CatalogFace& b) {
    return a.path != b.path ? a.path < b.path : a.index < b.index;
  });
}

FontCatalog::~FontCatalog() {
  if (config_) FcConfigDestroy(static_cast<FcConfig*>(config_));
}

void FontCatalog::Add(void* opaque) {
  FcPattern* pattern = static_cast<FcPattern*>(opaque);
  FcChar8* file = nullptr;
  FcBool outline = FcFalse;
  if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch) return;
  if (FcPatternGetBool(pattern, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline) return;
  CatalogFace face;
  face.path = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(pattern, FC_INDEX, 0, &face.index);
  if (face.index < 0 || face.index > 0xFFFF) return;  // named instances of variable fonts
  FcChar8* family = nullptr;
  for (int n = 0; FcPatternGetString(pattern, FC_FAMILY, n, &family) == FcResultMatch; ++n) {
    face.families.push_back(WideFromUtf8(reinterpret_cast<const char*>(family)));
  }
  if (face.families.empty()) return;
  face.weight = OpenTypeWeight(pattern);
  face.version = FontVersion(pattern);
  int slant = FC_SLANT_ROMAN, width = FC_WIDTH_NORMAL;
  FcPatternGetInteger(pattern, FC_SLANT, 0, &slant);
  FcPatternGetInteger(pattern, FC_WIDTH, 0, &width);
  face.italic = slant != FC_SLANT_ROMAN;
  face.normal_width = width == FC_WIDTH_NORMAL;
  FcCharSet* charset = nullptr;
  if (FcPatternGetCharSet(pattern, FC_CHARSET, 0, &charset) != FcResultMatch) return;
  face.charset = charset;  // owned by the font set, which lives as long as the catalogue
  faces_.push_back(std::move(face));
}

// The best face of a family: the nearest style, then the newest revision, then the first
// by path; `accept` filters the candidates.
template <class Accept>
FaceChoice FontCatalog::BestOfFamily(std::u16string_view name, LONG weight, bool italic,
                                     Accept accept) const {
  const CatalogFace* best = nullptr;
  const std::u16string* spelling = nullptr;
  int best_distance = 0;
  for (const CatalogFace& face : faces_) {
    const std::u16string* family = FamilyName(face, name);
    if (!family || !accept(face)) continue;
    const int distance = StyleDistance(face, weight, italic);
    if (!best || distance < best_distance || (distance == best_distance && face.version > best->version)) {
      best = &face;
      spelling = family;
      best_distance = distance;
    }
  }
  return best ? Choose(*best, *spelling, weight, italic) : FaceChoice{};
}

bool CatalogFace::HasChar(char32_t c) const {
  return charset && FcCharSetHasChar(static_cast<const FcCharSet*>(charset), c);
}

FaceChoice FontCatalog::Match(std::u16string_view name, LONG weight, bool italic) const {
  weight = EffectiveWeight(weight);
  auto any = [](const CatalogFace&) { return true; };
  if (!name.empty()) {
    if (FaceChoice own = BestOfFamily(name, weight, italic, any); own.face) return own;
    for (const Alias& alias : kAliases) {
      if (!SameName(name, alias.windows)) continue;
      if (FaceChoice compatible = BestOfFamily(alias.family, weight, italic, any); compatible.face) {
        return compatible;
      }
    }
  }
  if (FaceChoice base = BestOfFamily(kBaseFamily, weight, italic, any); base.face) return base;
  // Without the base font, the first family by path stands in for it.
  if (faces_.empty()) return {};
  return BestOfFamily(faces_.front().families.front(), weight, italic, any);
}

FaceChoice FontCatalog::Fallback(char32_t c, LONG weight, bool italic) const {
  weight = EffectiveWeight(weight);
  auto covers = [c](const CatalogFace& face) { return face.HasChar(c); };
  for (std::u16string_view family : kFallbackFamilies) {
    if (FaceChoice choice = BestOfFamily(family, weight, italic, covers); choice.face) return choice;
  }
  for (const CatalogFace& face : faces_) {
    if (face.HasChar(c)) return BestOfFamily(face.families.front(), weight, italic, covers);
  }
  return {};
}

FaceChoice MatchFace(std::u16string_view name, LONG weight, bool italic) {
  return FontCatalog::System().Match(name, weight, italic);
}

FaceChoice FallbackFace(char32_t c, LONG weight, bool italic) {
  return FontCatalog::System().Fallback(c, weight, italic);
}

}  // namespace vx::text
