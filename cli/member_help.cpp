#include "cli/member_help.h"

#include <algorithm>

#include "base/ascii_case.h"

namespace vx::cli {
namespace {

// In the order a script uses them: the picture, the marks and where they go, the text and
// its shadow, the outputs, then the queries.
constexpr MemberHelp kHelps[] = {
    {"LoadSourceImage", R"(LoadSourceImage "FILE")",
     R"(Loads the picture to work on, replacing the one before and its marks. The
kind is taken from the name's extension alone, in any case: .jpg or .jpeg
(JPEG), .png, .bmp, .gif (the first frame). Another extension, a file that
cannot be opened or one that cannot be decoded sets the error text.)"},
    {"AddImageMark", R"(AddImageMark "LOGO.png", X, Y)",
     R"(Stamps a PNG picture, with its own transparency, onto the loaded picture
where MarkPos says, at the opacity MarkTransparent. X and Y are pixels: with
MarkPos -1 they are the mark's top-left corner; with MarkPos 0 to 4 they
are added to the place the position gives, together with MarkPosOffsetX
and MarkPosOffsetY. Only PNG files are drawn: the object reports nothing
for a missing file or another kind of picture, so vximage warns.)"},
    {"AddTextMark", R"(AddTextMark "TEXT", X, Y)",
     R"(Stamps text onto the loaded picture in the face, height, style and colour
of the TextMark properties, with a soft shadow when TextMarkShadowVisible
is 1, where MarkPos says, at the opacity MarkTransparent. X and Y (pixels,
the text's top-left corner) are used only with MarkPos -1; positions 0 to
4 use MarkPosOffsetX and MarkPosOffsetY instead. A line break in the text
starts a new line. "&" underlines the character after it ("&&" shows one
"&") unless TextMarkRotate is non-zero. Answers S_FALSE, drawing nothing,
when no picture is loaded.)"},
    {"MarkPos", "MarkPos = POSITION",
     R"(Where AddImageMark and AddTextMark put a mark: 0 centre, 1 top left,
2 top right, 3 bottom left, 4 bottom right; -1 (the default) or any other
value: at the X, Y of the call.)"},
    {"MarkPosOffsetX", "MarkPosOffsetX = PIXELS",
     R"(Moves marks at positions 0 to 4 right (positive) or left (negative), in
every corner alike: a mark at the right edge is moved in with a negative
value. Default 0. Not used at position -1.)"},
    {"MarkPosOffsetY", "MarkPosOffsetY = PIXELS",
     R"(Moves marks at positions 0 to 4 down (positive) or up (negative), in
every corner alike: a mark at the bottom edge is moved in with a negative
value. Default 0. Not used at position -1.)"},
    {"MarkTransparent", "MarkTransparent = PERCENT",
     R"(Opacity of the marks, despite the name: 100 (the default) opaque, 50 half,
0 invisible; keep it from 0 to 100. The whole picture is merged with the
marked copy at this weight, so at 100 every channel value from 1 to 254
comes out one lower, outside the mark as well.)"},
    {"TextMarkFontName", R"(TextMarkFontName = "FACE")",
     R"(Face of the text: an installed family such as "DejaVu Sans", or a Windows
core face (Arial, Times New Roman, Courier New, Calibri, Cambria), drawn in
a family made to its measure. Up to 31 characters; longer names are cut.
The empty name (the default) and faces that are not installed give
Liberation Sans; vximage warns about the latter.)"},
    {"TextMarkHeight", "TextMarkHeight = PIXELS",
     R"(Height of the text in pixels, as Windows fonts count it: -48 makes
letters 48 pixels to the em (the size other programs call 48 px); 48 makes
the whole character cell, accents and descenders included, 48 pixels
high, so letters come out smaller; 0 gives the size of 16. Default 12.)"},
    {"TextMarkColor", "TextMarkColor = &HBBGGRR",
     R"(Colour of the text, with blue in the high byte: &HFFFFFF white, &H000000
black (the default), &H0000FF red, &H00FF00 green, &HFF0000 blue.)"},
    {"TextMarkBold", "TextMarkBold = 0 | 1",
     "Bold text for any value but 0 (the default)."},
    {"TextMarkItatic", "TextMarkItatic = 0 | 1",
     R"(Italic text when the low 8 bits of the value are not 0: 1 is italic, 256
is not. Spelled as the object spells it. Default 0.)"},
    {"TextMarkUnderline", "TextMarkUnderline = 0 | 1",
     R"(Underlined text when the low 8 bits of the value are not 0. Default 0.)"},
    {"TextMarkRotate", "TextMarkRotate = DEGREES",
     R"(Turns the text counter-clockwise by 1 to 359 degrees about its top-left
corner. Any value but 0 draws the text as one line: no wrapping, line
breaks and "&" drawn as they are; negative values do that without turning.
Default 0.)"},
    {"TextMarkAreaWidth", "TextMarkAreaWidth = PIXELS",
     R"(Wraps text wider than this many pixels (with TextMarkRotate 0). The text
keeps the height of its unwrapped lines, so at MarkPos -1, 3 or 4 the
wrapped lines below that height do not show. -1 (the default) or 0: no
limit.)"},
    {"TextMarkShadowVisible", "TextMarkShadowVisible = 0 | 1",
     R"(1 draws a soft shadow under the text; any value but 0 is stored as 1.
Default 0.)"},
    {"TextMarkShadowColor", "TextMarkShadowColor = &HBBGGRR",
     "Colour of the shadow, blue in the high byte as for TextMarkColor. Default\n&H000000, black."},
    {"TextMarkShadowDistance", "TextMarkShadowDistance = PIXELS",
     "How far the shadow falls to the right and down. Default 0: under the text."},
    {"TextMarkShadowSize", "TextMarkShadowSize = PIXELS",
     R"(Blur radius of the shadow: 0 sharp, 5 (the default) soft; negative values
draw no shadow; values above 1000 count as 1000.)"},
    {"TextMarkShadowTransparent", "TextMarkShadowTransparent = PERCENT",
     R"(Opacity of the shadow, despite the name: 100 (the default) full, 50 half,
0 none; keep it from 0 to 100.)"},
    {"TextMarkShadowAngle", "TextMarkShadowAngle = DEGREES",
     "Stored and read back, but not used: the shadow always falls right and down."},
    {"Quality", "Quality = 1..100",
     R"(JPEG quality of every file written: 1 smallest, 100 best, default 80.
Values outside are taken as 1 or 100.)"},
    {"MakeMarkImage", R"(MakeMarkImage "OUT.jpg")",
     R"(Writes the picture with its marks as a JPEG file at Quality. Only names
ending in .jpg or .jpeg (any case) are written; the object reports nothing
for others, so vximage warns.)"},
    {"MakeThumbImage", R"(MakeThumbImage "OUT.jpg", WIDTH, HEIGHT, RULE)",
     R"(Writes a resized copy (marks included) as a JPEG file at Quality, whatever
the extension. RULE says what WIDTH and HEIGHT are:
  0  the size in pixels, WIDTH x HEIGHT (the proportions may change)
  1  WIDTH pixels wide, the height in proportion (HEIGHT is not used)
  2  HEIGHT pixels high, the width in proportion (WIDTH is not used)
  3  scale factors: 0.5, 0.5 is half the size
Sizes are cut to whole pixels. Each output pixel is the nearest source
pixel, without smoothing, unless ResampleFilter says otherwise. Another
RULE, or a size below 1, writes nothing.)"},
    {"MakeCropImage", R"(MakeCropImage "OUT.jpg", X, Y, WIDTH, HEIGHT)",
     R"(Writes the WIDTH x HEIGHT pixel rectangle whose top-left corner is at X, Y
(pixels from the picture's top-left corner) as a JPEG file at Quality,
whatever the extension, without scaling. Parts outside the picture come out
black.)"},
    {"GetErrorInfo", "? GetErrorInfo",
     R"(The object's error text: empty, or the message of the latest failure since
the object was made or ClearErrorInfo emptied it. The messages: "Source image file
formate is not supported!", "Source image file open failed!", "Memory is
not enough!", "Memory is not enough in MakeMarkImage!" (an output too
large to make), "Target image file open failed!", "Target image file write
failed!" (an output of no size, a full disk), "Text mark is too long!" (a
text of over 131072 UTF-16 units), "ResampleFilter must be 0, 1 or 2!" and
"ChromaSubsampling must be 0, 1 or 2!". vximage prints a warning whenever
it changes.)"},
    {"GetSourceImageWidth", "? GetSourceImageWidth",
     "Width of the loaded picture in pixels; -1 before a picture is loaded."},
    {"GetSourceImageHeight", "? GetSourceImageHeight",
     "Height of the loaded picture in pixels; -1 before a picture is loaded."},
    // The second interface's members.
    {"AutoOrient", "AutoOrient = 0 | 1",
     R"(1 turns every picture loaded afterwards upright by the orientation its
camera wrote (EXIF in a JPEG, eXIf in a PNG); the sizes then are the
upright ones. A missing or broken EXIF block loads the picture as stored.
Any value but 0 is stored as 1. Default 0.)"},
    {"ResampleFilter", "ResampleFilter = 0 | 1 | 2",
     R"(How MakeThumbImage, MakeFitImage and MakeFillImage resize:
  0  the nearest source pixel, without smoothing (the default)
  1  area averaging: each output pixel is the mean of the source area it
     covers (sharp and fast for shrinking; enlarging works as 2)
  2  Lanczos-3: smooth shrinking and enlarging
Other values are refused with an error and the error text "ResampleFilter
must be 0, 1 or 2!". Set it before LoadSourceImage to spare a copy of the
picture.)"},
    {"LoadMinWidth", "LoadMinWidth = PIXELS",
     R"(Shrink on load: the smallest width you need of the next picture. A JPEG
is then decoded at the smallest of 1/8, 2/8 ... 8/8 of its size that keeps
both sides at least LoadMinWidth x LoadMinHeight, which is much faster for
thumbnails; other formats load whole. GetSourceImageWidth then reports the
loaded width, GetSourceFileWidth the file's. 0 (the default): full size.)"},
    {"LoadMinHeight", "LoadMinHeight = PIXELS",
     "Shrink on load: the smallest height you need; see LoadMinWidth. Default 0."},
    {"GetSourceFileWidth", "? GetSourceFileWidth",
     R"(The file's own width in pixels, before any shrink on load (upright when
AutoOrient turned it); -1 before a picture is loaded.)"},
    {"GetSourceFileHeight", "? GetSourceFileHeight",
     R"(The file's own height in pixels, before any shrink on load (upright when
AutoOrient turned it); -1 before a picture is loaded.)"},
    {"BackgroundColor", "BackgroundColor = &HBBGGRR",
     R"(The colour that transparent parts of PNG and GIF pictures loaded
afterwards are laid on, blue in the high byte as for TextMarkColor.
Default &H000000, black.)"},
    {"MakeFitImage", R"(MakeFitImage "OUT.jpg", WIDTH, HEIGHT)",
     R"(Writes a thumbnail that fits inside WIDTH x HEIGHT pixels, keeping the
picture's proportions; a picture already inside the box keeps its size.
Resized as ResampleFilter says, written at Quality.)"},
    {"MakeFillImage", R"(MakeFillImage "OUT.jpg", WIDTH, HEIGHT)",
     R"(Writes a thumbnail of exactly WIDTH x HEIGHT pixels: the picture is scaled
to cover the box and what overflows on one side is cut off evenly at both
ends. Resized as ResampleFilter says, written at Quality.)"},
    {"ClearErrorInfo", "ClearErrorInfo",
     R"(Empties the error text, so that GetErrorInfo answers "" until the next
failure: check one step at a time.)"},
    {"ColorManage", "ColorManage = 0 | 1",
     R"(1 converts every picture loaded afterwards to sRGB by the ICC profile it
carries (a JPEG's APP2 segments, a PNG's iCCP chunk; a PNG without one by
its gAMA and cHRM chunks), so that Adobe RGB or Display P3 photos keep their
colours. CMYK and YCCK JPEG files are converted by their profile, or by a
press profile when they have none. A broken or unusable profile is ignored
and the picture loads as stored, as do GIF and BMP files. Any value but 0
is stored as 1. Default 0: the colours are taken as stored.)"},
    {"KeepMetadata", "KeepMetadata = 0 | 1",
     R"(1 keeps the EXIF, XMP and IPTC data and the ICC profile of every picture
loaded afterwards (JPEG or PNG) in every JPEG file written from it: marked
pictures, thumbnails and crops. The EXIF thumbnail is dropped; the EXIF and
XMP orientation say 1 when AutoOrient turned the picture; the profile is
sRGB's when ColorManage converted it, and a CMYK profile is left out of
unconverted outputs. A block too large for one JPEG segment is left out.
Any value but 0 is stored as 1. Default 0: no metadata is written.)"},
    {"Progressive", "Progressive = 0 | 1",
     R"(1 writes progressive JPEG files, which show coarse first and sharpen as
they arrive. Any value but 0 is stored as 1. Default 0: baseline.)"},
    {"ChromaSubsampling", "ChromaSubsampling = 0 | 1 | 2",
     R"(How much colour detail the JPEG files written keep:
  0  all of it, 4:4:4 (the default)
  1  half the width, 4:2:2
  2  half the width and height, 4:2:0 (smallest files)
Other values are refused with an error and the error text "ChromaSubsampling
must be 0, 1 or 2!"; the old value stays.)"},
    {"OptimizeCoding", "OptimizeCoding = 0 | 1",
     R"(1 makes Huffman tables for each JPEG file written, which makes it a few
per cent smaller for the same pixels and takes a little longer. Any value
but 0 is stored as 1. Default 0: the standard tables.)"},
};

}  // namespace

std::span<const MemberHelp> MemberHelps() { return kHelps; }

const MemberHelp* FindMemberHelp(std::string_view name) {
  const auto found = std::find_if(std::begin(kHelps), std::end(kHelps),
                                  [name](const MemberHelp& help) { return SameIgnoringAsciiCase(help.name, name); });
  return found == std::end(kHelps) ? nullptr : found;
}

void PrintMemberHelp(const MemberHelp& help, std::ostream& out) {
  out << "  " << help.usage << '\n';
  std::string_view text = help.text;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    out << "      " << text.substr(0, end) << '\n';
    text.remove_prefix(std::min(end + 1, text.size()));
  }
}

}  // namespace vx::cli
