// The GDI text calls: logical fonts, text metrics, measuring and drawing, under their
// Windows names and signatures.
//
// Faces come from fontconfig; a face name that is not installed, "MS Shell Dlg" and the
// empty name give the base font, Liberation Sans, and the Windows core faces give their
// metric-compatible families. Characters the face lacks are drawn from a fallback face
// that has them. Text is drawn antialiased in the text colour over what the surface holds
// (the background mode does not paint a box); only TA_LEFT | TA_TOP alignment is kept.
#pragma once

#include "platform/win_types.h"

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTW) == 92 && sizeof(LOGFONTA) == 60);

struct DRAWTEXTPARAMS {
  UINT cbSize;
  int iTabLength;
  int iLeftMargin;
  int iRightMargin;
  UINT uiLengthDrawn;
};

// Stock fonts. A new context holds SYSTEM_FONT.
constexpr int SYSTEM_FONT = 13;

// Font weights and qualities.
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE ANTIALIASED_QUALITY = 4;

// Pitch and family bits of tmPitchAndFamily.
constexpr BYTE TMPF_FIXED_PITCH = 0x01;  // set when the font is NOT fixed pitch
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUETYPE = 0x04;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;

// Text alignment: only the default, left and top, is drawn.
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_TOP = 0;
constexpr UINT GDI_ERROR = 0xFFFFFFFF;

// DrawText formats. The layer draws left- and top-aligned text; DT_CALCRECT, DT_WORDBREAK,
// DT_SINGLELINE, DT_NOCLIP, DT_EXTERNALLEADING and DT_NOPREFIX are honoured, and a call
// with any other flag fails.
constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;

HFONT CreateFontIndirectW(const LOGFONTW* logfont);
int GetTextFaceW(HDC hdc, int count, LPWSTR name);
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics);
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format);
int DrawTextExW(HDC hdc, LPWSTR text, int count, LPRECT rect, UINT format,
                DRAWTEXTPARAMS* params);
