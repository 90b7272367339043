#include "cli/call_checks.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <span>

#include "base/ascii_case.h"
#include "base/utf8.h"
#include "object/extension_rule.h"
#include "platform/gdi.h"

namespace vx::cli {
namespace {

// Faces the drawing layer draws in metric-compatible families (platform/gdi_text.h).
constexpr std::u16string_view kCoreFaces[] = {u"Arial", u"Times New Roman", u"Courier New", u"Calibri", u"Cambria"};

// The names that always give the base face, on Windows too.
constexpr std::u16string_view kDefaultFaces[] = {u"", u"MS Shell Dlg"};

bool OneOf(std::u16string_view face, std::span<const std::u16string_view> names) {
  return std::any_of(names.begin(), names.end(),
                     [face](std::u16string_view name) { return SameIgnoringAsciiCase(face, name); });
}

// What the file's first bytes say it is.
const char* KindOf(const std::array<unsigned char, 8>& head, std::size_t size) {
  if (size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return "a JPEG picture";
  if (size >= 4 && std::memcmp(head.data(), "GIF8", 4) == 0) return "a GIF picture";
  if (size >= 2 && head[0] == 'B' && head[1] == 'M') return "a BMP picture";
  if (size == 0) return "nothing (it is empty)";
  return nullptr;
}

// The face that a font of this name gives, as GetTextFaceW names it.
std::u16string RealizedFace(const std::u16string& face) {
  LOGFONTW logfont{};
  logfont.lfHeight = -12;
  std::copy_n(face.begin(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1), logfont.lfFaceName);
  HFONT font = CreateFontIndirectW(&logfont);
  HDC dc = CreateCompatibleDC(nullptr);
  std::u16string realized;
  if (font && dc) {
    HGDIOBJ previous = SelectObject(dc, font);
    WCHAR name[LF_FACESIZE] = {};
    if (GetTextFaceW(dc, LF_FACESIZE, name) > 0) realized = name;
    SelectObject(dc, previous);
  }
  if (dc) DeleteDC(dc);
  if (font) DeleteObject(font);
  return realized;
}

}  // namespace

FileIdentity IdentityOf(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return {};
  return {true, S_ISREG(status.st_mode), status.st_dev, status.st_ino,
          static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec};
}

std::string WrittenProblem(const FileIdentity& before, const std::string& path) {
  if (before.exists && !before.regular) return {};  // a device or a pipe: written in place
  const FileIdentity after = IdentityOf(path);
  const bool replaced = after.exists && (!before.exists || after.device != before.device ||
                                         after.inode != before.inode || after.modified_ns != before.modified_ns);
  if (replaced) return {};
  return before.exists ? "nothing was written: the file is as it was" : "nothing was written";
}

std::string MarkImageNameProblem(const std::string& path) {
  const std::u16string wide = WideFromUtf8(path);
  if (ExtensionIsOneOf(wide.c_str(), {OLESTR("jpg"), OLESTR("jpeg")})) return {};
  return "the name must end in .jpg or .jpeg";
}

std::string MarkFileProblem(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::string("cannot open the mark file (") + std::strerror(errno) + "): no mark was drawn";
  std::array<unsigned char, 8> head{};
  file.read(reinterpret_cast<char*>(head.data()), head.size());
  const auto size = static_cast<std::size_t>(file.gcount());
  static constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size == head.size() && std::memcmp(head.data(), kPngSignature, size) == 0) return {};
  const char* kind = KindOf(head, size);
  return std::string("the mark file is not a PNG file") + (kind ? std::string(" but ") + kind : "") +
         ": no mark was drawn (marks must be PNG files)";
}

std::string FaceProblem(const std::u16string& face) {
  if (OneOf(face, kDefaultFaces) || OneOf(face, kCoreFaces)) return {};
  const std::u16string realized = RealizedFace(face);
  if (SameIgnoringAsciiCase(std::u16string_view(realized), std::u16string_view(face))) return {};
  return "the face \"" + Utf8FromWide(face) + "\" is not installed: the text was drawn in " +
         (realized.empty() ? std::string("no face at all") : Utf8FromWide(realized));
}

}  // namespace vx::cli
