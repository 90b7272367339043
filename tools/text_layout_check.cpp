// text_layout_check FILE.tsv [--dump DIR]
//
// Measures and draws every case of a text-layout table (the layout of the reference's
// golden-public.tsv) with our drawing layer, compares each value with the reference's by
// the comparison rules that go with those tables, prints one line per differing value
// (case, column, ours, reference) and ends with "N passed, M failed" (values compared).
// With --dump, the drawings go to DIR as <id>-draw.pgm and <id>-textout.pgm (red channel).
// Exit status 0 when nothing failed, 1 when something did, 2 when the file cannot be read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "platform/gdi.h"
#include "tools/stock_log_font.h"

namespace {

using Row = std::map<std::string, std::string>;

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

void AppendCodePoint(std::u16string& out, std::uint32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(char16_t(0xD800 + (c >> 10)));
    out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(char16_t(c));
  }
}

// The table's escapes: \n \r \t \\ \uXXXX \UXXXXXXXX; the rest is UTF-8.
std::u16string Unescape(const std::string& text) {
  std::u16string out;
  std::string plain;
  auto flush = [&] {
    out += vx::WideFromUtf8(plain);
    plain.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      plain.push_back(text[i]);
      continue;
    }
    const char kind = text[++i];
    const int digits = kind == 'u' ? 4 : kind == 'U' ? 8 : 0;
    flush();
    if (digits && i + digits < text.size()) {
      AppendCodePoint(out, std::uint32_t(std::stoul(text.substr(i + 1, digits), nullptr, 16)));
      i += digits;
    } else {
      out.push_back(kind == 'n' ? u'\n' : kind == 'r' ? u'\r' : kind == 't' ? u'\t' : char16_t(kind));
    }
  }
  flush();
  return out;
}

// A black bitmap in a memory context, with transparent white text in the case's font.
class Canvas {
 public:
  Canvas(HFONT font, int width, int height) : width_(width), height_(height) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    old_bitmap_ = SelectObject(dc_, bitmap_);
    old_font_ = SelectObject(dc_, font);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, RGB(255, 255, 255));
  }
  ~Canvas() {
    SelectObject(dc_, old_font_);
    SelectObject(dc_, old_bitmap_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }

  // Ink box (left, top inclusive; right, bottom exclusive; all -1 if none), lit pixels,
  // sum of red, pixels that are not grey.
  std::vector<std::uint32_t> Words() const {
    std::vector<std::uint32_t> words(std::size_t(width_) * height_);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GetDIBits(dc_, bitmap_, 0, UINT(height_), words.data(), &info, DIB_RGB_COLORS);
    return words;
  }

  // The red channel as a PGM picture.
  void Dump(const std::string& path) const {
    std::ofstream out(path, std::ios::binary);
    out << "P5\n" << width_ << " " << height_ << "\n255\n";
    for (std::uint32_t w : Words()) out.put(char(w >> 16));
  }

  void Ink(Row& row, const std::string& prefix) const {
    const std::vector<std::uint32_t> words = Words();
    long left = -1, top = -1, right = -1, bottom = -1, lit = 0, red = 0, coloured = 0;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const std::uint32_t w = words[std::size_t(y) * width_ + x] & 0xFFFFFF;
        if (!w) continue;
        const std::uint32_t r = w >> 16 & 0xFF, g = w >> 8 & 0xFF, b = w & 0xFF;
        left = left < 0 ? x : std::min<long>(left, x);
        top = top < 0 ? y : top;
        right = std::max<long>(right, x + 1);
        bottom = y + 1;
        ++lit;
        red += r;
        coloured += (r != g || g != b);
      }
    }
    row[prefix + "l"] = std::to_string(left);
    row[prefix + "t"] = std::to_string(top);
    row[prefix + "r"] = std::to_string(right);
    row[prefix + "b"] = std::to_string(bottom);
    row[prefix + "lit"] = std::to_string(lit);
    row[prefix + "redsum"] = std::to_string(red);
    if (prefix == "draw_") row["draw_nongray"] = std::to_string(coloured);
  }

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_bitmap_, old_font_;
};

std::string Utf8(const WCHAR* text) { return vx::Utf8FromWide(text); }

// Every value the reference recorded, computed with our layer by the reference's recipe.
Row Measure(const Row& in, const std::string& dump) {
  // An empty face keeps the stock name, "<blank>" empties it.
  const std::string& face = in.at("face");
  const std::u16string name = face == "<blank>" ? u"" : vx::WideFromUtf8(face);
  const int rotate = std::stoi(in.at("rotate"));
  const LOGFONTW logfont = vx::tools::StockBasedLogFont(
      face.empty() ? nullptr : name.c_str(), std::stol(in.at("height")),
      in.at("bold") != "0" ? FW_BOLD : FW_NORMAL, BYTE(std::stoi(in.at("italic"))),
      BYTE(std::stoi(in.at("underline"))), rotate > 0 ? rotate * 10 : 0);
  const int wrap_w = std::stoi(in.at("wrap_w")), rect_h = std::stoi(in.at("rect_h"));
  const std::u16string text = Unescape(in.at("text"));
  HFONT font = CreateFontIndirectW(&logfont);

  Row out;
  {
    Canvas canvas(font, 1, 1);
    HDC dc = canvas.dc();
    WCHAR name[64] = {};
    GetTextFaceW(dc, 64, name);
    out["sel_face"] = Utf8(name);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    out["tm_height"] = std::to_string(tm.tmHeight);
    out["tm_ascent"] = std::to_string(tm.tmAscent);
    out["tm_descent"] = std::to_string(tm.tmDescent);
    out["tm_intlead"] = std::to_string(tm.tmInternalLeading);
    out["tm_extlead"] = std::to_string(tm.tmExternalLeading);
    out["tm_avecw"] = std::to_string(tm.tmAveCharWidth);
    out["tm_maxcw"] = std::to_string(tm.tmMaxCharWidth);
    out["tm_overhang"] = std::to_string(tm.tmOverhang);
    out["tm_weight"] = std::to_string(tm.tmWeight);
    out["tm_italic"] = std::to_string(tm.tmItalic);
    out["tm_pitchfam"] = std::to_string(tm.tmPitchAndFamily);
    out["tm_charset"] = std::to_string(tm.tmCharSet);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
    out["gtep_cx"] = std::to_string(extent.cx);
    out["gtep_cy"] = std::to_string(extent.cy);
    auto calc = [&](RECT r, UINT format, const std::string& w, const std::string& h, const char* ret) {
      const int height = DrawTextW(dc, text.c_str(), -1, &r, format);
      out[w] = std::to_string(r.right - r.left);
      out[h] = std::to_string(r.bottom - r.top);
      if (ret) out[ret] = std::to_string(height);
    };
    calc({0, 0, 0, 0}, DT_CALCRECT, "calc_w", "calc_h", "calc_ret");
    calc({0, 0, 0, 0}, DT_CALCRECT | DT_NOPREFIX, "calcnp_w", "calcnp_h", nullptr);
    calc({0, 0, wrap_w, rect_h}, DT_CALCRECT | DT_WORDBREAK | DT_EXTERNALLEADING, "wrap_cw", "wrap_ch",
         "wrap_ret");
    calc({0, 0, wrap_w, rect_h}, DT_CALCRECT | DT_WORDBREAK, "wrapnx_cw", "wrapnx_ch", nullptr);
  }
  {
    Canvas canvas(font, wrap_w + 64, rect_h + 64);
    RECT r{0, 0, wrap_w, rect_h};
    out["draw_ret"] = std::to_string(DrawTextW(canvas.dc(), text.c_str(), -1, &r,
                                               DT_WORDBREAK | DT_EXTERNALLEADING));
    canvas.Ink(out, "draw_");
    if (!dump.empty()) canvas.Dump(dump + "/" + in.at("id") + "-draw.pgm");
  }
  {
    Canvas canvas(font, 400, 400);
    TextOutW(canvas.dc(), 100, 100, text.c_str(), int(text.size()));
    canvas.Ink(out, "to_");
    if (!dump.empty()) canvas.Dump(dump + "/" + in.at("id") + "-textout.pgm");
  }
  DeleteObject(font);
  return out;
}

enum class Rule { kExact, kPixel, kQuarter };

// Columns compared, and how.
const std::vector<std::pair<std::string, Rule>>& Compared() {
  static const std::vector<std::pair<std::string, Rule>> columns = [] {
    std::vector<std::pair<std::string, Rule>> c;
    for (const char* name : {"sel_face", "tm_height", "tm_ascent", "tm_descent", "tm_intlead", "tm_extlead",
                             "tm_avecw", "gtep_cx", "gtep_cy", "calc_w", "calc_h", "calc_ret", "calcnp_w",
                             "calcnp_h", "wrap_cw", "wrap_ch", "wrap_ret", "wrapnx_cw", "wrapnx_ch",
                             "draw_ret"}) {
      c.emplace_back(name, Rule::kExact);
    }
    for (const char* name : {"draw_l", "draw_t", "draw_r", "draw_b", "to_l", "to_t", "to_r", "to_b"}) {
      c.emplace_back(name, Rule::kPixel);
    }
    c.emplace_back("draw_lit", Rule::kQuarter);
    c.emplace_back("to_lit", Rule::kQuarter);
    return c;
  }();
  return columns;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Whether a column of a case with these caveat tags is left out of the comparison.
bool Skipped(const std::set<std::string>& tags, const std::string& column) {
  for (const char* whole : {"fallback-face", "surrogates", "notdef", "tab", "wide-word-then-break",
                            "space-run-wrap"}) {
    if (tags.count(whole)) return true;
  }
  const bool draw = StartsWith(column, "draw_");
  const bool textout = StartsWith(column, "to_");
  if ((tags.count("bidi-shaping") || tags.count("combining") || tags.count("synthetic-style")) &&
      (draw || textout)) {
    return true;
  }
  // The reference measures right-to-left and joined scripts unshaped, though it draws them
  // shaped; we measure what we draw, so its widths of such text are no guide either.
  const bool width = column == "gtep_cx" || column == "calc_w" || column == "calcnp_w" ||
                     column == "wrap_cw" || column == "wrapnx_cw";
  if (tags.count("bidi-shaping") && width) return true;
  if (tags.count("rotated-drawtext") && draw) return true;
  if (tags.count("crlf-in-extent") && (StartsWith(column, "gtep_") || textout)) return true;
  if (tags.count("line-over-1024") && StartsWith(column, "calc")) return true;
  return false;
}

bool Agrees(Rule rule, const std::string& ours, const std::string& theirs) {
  if (rule == Rule::kExact) return ours == theirs;
  const long a = std::stol(ours), b = std::stol(theirs);
  if (rule == Rule::kPixel) return std::labs(a - b) <= 1;
  return std::labs(a - b) * 4 <= std::labs(b);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dump;
  if (argc == 4 && std::string(argv[2]) == "--dump") dump = argv[3];
  if (argc != 2 && dump.empty()) {
    std::cerr << "usage: text_layout_check FILE.tsv [--dump DIR]\n";
    return 2;
  }
  std::ifstream file(argv[1]);
  std::string line;
  if (!file || !std::getline(file, line)) {
    std::cerr << "text_layout_check: cannot read " << argv[1] << "\n";
    return 2;
  }
  const std::vector<std::string> header = SplitTabs(line);
  long passed = 0, failed = 0;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> fields = SplitTabs(line);
    Row reference;
    for (std::size_t i = 0; i < header.size() && i < fields.size(); ++i) reference[header[i]] = fields[i];
    std::set<std::string> tags;
    std::stringstream caveats(reference["caveats"]);
    for (std::string tag; std::getline(caveats, tag, ';');) tags.insert(tag);
    const Row ours = Measure(reference, dump);
    for (const auto& [column, rule] : Compared()) {
      if (Skipped(tags, column) || !reference.count(column)) continue;
      const std::string& mine = ours.at(column);
      if (Agrees(rule, mine, reference[column])) {
        ++passed;
      } else {
        ++failed;
        std::cout << reference["id"] << "\t" << column << "\t" << mine << "\t" << reference[column] << "\n";
      }
    }
  }
  std::cout << passed << " passed, " << failed << " failed\n";
  return failed == 0 ? 0 : 1;
}
