// Inside the drawing layer: the installed faces, found once through fontconfig, and the
// choice of a face for a logical font's name and style or for a character the chosen face
// lacks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace vx::text {

// One face of one font file as fontconfig describes it.
struct CatalogFace {
  std::string path;
  int index = 0;                       // face index inside a collection
  std::vector<std::u16string> families;  // every name the font gives its family
  int weight = 400;                    // OpenType weight class
  int version = 0;                     // the font's revision (head table), 16.16
  bool italic = false;                 // italic or oblique
  bool normal_width = true;
  const void* charset = nullptr;       // fontconfig's coverage (FcCharSet)

  bool HasChar(char32_t c) const;
};

// A face for a logical font, with what must be synthesised because the family lacks it.
struct FaceChoice {
  const CatalogFace* face = nullptr;  // null: no face is installed at all
  std::u16string family;              // the family name as the font spells it
  bool synthetic_bold = false;
  bool synthetic_italic = false;
};

// Family of the base font: empty names, "MS Shell Dlg" and names not installed give it.
inline constexpr std::u16string_view kBaseFamily = u"Liberation Sans";

// Weights from FW_SEMIBOLD up are bold.
inline constexpr LONG kBoldWeight = 600;

// The faces of some font folders, found once through fontconfig. Among the faces of one
// family that suit a style equally, the newest revision is chosen (as fontconfig prefers
// it), then the first by path: the choice does not depend on the order the folders list
// their files in, nor on an older copy of a family installed beside a newer one.
class FontCatalog {
 public:
  // The system's font folders.
  static const FontCatalog& System();
  // The faces of `folders` alone (tests); fontconfig keeps its cache in `cache_folder`.
  FontCatalog(const std::vector<std::string>& folders, const std::string& cache_folder);
  ~FontCatalog();
  FontCatalog(const FontCatalog&) = delete;
  FontCatalog& operator=(const FontCatalog&) = delete;

  const std::vector<CatalogFace>& faces() const { return faces_; }

  // The face for a LOGFONT's face name, weight and italic flag. Names are matched without
  // regard to case; the Windows core faces resolve to their metric-compatible families.
  FaceChoice Match(std::u16string_view name, LONG weight, bool italic) const;

  // A face that has the character, for text the chosen face cannot show: the script
  // fallback families first, in a fixed order, then any face. Null face if none.
  FaceChoice Fallback(char32_t c, LONG weight, bool italic) const;

 private:
  explicit FontCatalog(const std::string& config_xml);
  void Add(void* pattern);
  template <class Accept>
  FaceChoice BestOfFamily(std::u16string_view name, LONG weight, bool italic, Accept accept) const;

  void* config_ = nullptr;  // FcConfig, whose font set holds the faces' coverage
  std::vector<CatalogFace> faces_;
};

// The system catalogue's Match and Fallback.
FaceChoice MatchFace(std::u16string_view name, LONG weight, bool italic);
FaceChoice FallbackFace(char32_t c, LONG weight, bool italic);

}  // namespace vx::text
