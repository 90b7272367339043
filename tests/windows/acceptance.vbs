' The acceptance test of vxImage.DLL as scripts drive it: through the automation runtime,
' by ProgID and member names, with the registered type library.
'
'   cscript //nologo acceptance.vbs LOGO.png OUTPUT_FOLDER SOURCE...
'
' Prints a line for each failed check and ends with "N passed, M failed". There are
' kChecks checks, and kChecksPerSource more for each SOURCE, on which the typical request
' runs (its outputs are OUTPUT_FOLDER\<name>-mark.jpg, -thumb0.jpg to -thumb3.jpg,
' -crop.jpg and, with the caption, -text.jpg). scripts/windows.sh holds N to that count: a script that stops early still
' leaves cscript with status 0.
Option Explicit

Const kChecks = 91
Const kChecksPerSource = 9

Dim passed, failed, fso, logo, folder, o, i, s, number
passed = 0
failed = 0
Set fso = CreateObject("Scripting.FileSystemObject")
logo = WScript.Arguments(0)
folder = WScript.Arguments(1)

Sub Check(ok, what)
  If ok Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "failed: " & what
  End If
End Sub

' Creation by ProgID, and every property as a new object has it. The colours are OLE_COLOR,
' an unsigned type that VBScript reads only through a conversion such as CLng.
Set o = CreateObject("vxImage.Resize")
Check o.TextMarkBold = 0, "TextMarkBold starts at 0"
Check CLng(o.TextMarkColor) = 0, "TextMarkColor starts black"
Check o.TextMarkHeight = 12, "TextMarkHeight starts at 12"
Check o.TextMarkItatic = 0, "TextMarkItatic starts at 0"
Check o.TextMarkUnderline = 0, "TextMarkUnderline starts at 0"
Check o.TextMarkFontName = "", "TextMarkFontName starts empty"
Check o.MarkTransparent = 100, "MarkTransparent starts at 100"
Check o.TextMarkAreaWidth = -1, "TextMarkAreaWidth starts at -1"
Check o.MarkPos = -1, "MarkPos starts at -1"
Check o.MarkPosOffsetX = 0, "MarkPosOffsetX starts at 0"
Check o.MarkPosOffsetY = 0, "MarkPosOffsetY starts at 0"
Check CLng(o.TextMarkShadowColor) = 0, "TextMarkShadowColor starts black"
Check o.TextMarkShadowVisible = 0, "TextMarkShadowVisible starts at 0"
Check o.TextMarkShadowDistance = 0, "TextMarkShadowDistance starts at 0"
Check o.TextMarkShadowAngle = 0, "TextMarkShadowAngle starts at 0"
Check o.TextMarkShadowSize = 5, "TextMarkShadowSize starts at 5"
Check o.TextMarkShadowTransparent = 100, "TextMarkShadowTransparent starts at 100"
Check o.Quality = 80, "Quality starts at 80"
Check o.TextMarkRotate = 0, "TextMarkRotate starts at 0"
Check o.GetSourceImageWidth() = -1, "no picture: width -1"
Check o.GetSourceImageHeight() = -1, "no picture: height -1"
Check o.GetErrorInfo() = "", "no error text to start with"

' Every property keeps what it is given, unchecked; only TextMarkShadowVisible becomes 0 or 1.
o.TextMarkBold = 700 : Check o.TextMarkBold = 700, "TextMarkBold round trip"
o.TextMarkColor = &HFF8040 : Check CLng(o.TextMarkColor) = &HFF8040, "TextMarkColor round trip"
o.TextMarkHeight = -40 : Check o.TextMarkHeight = -40, "TextMarkHeight round trip"
o.TextMarkItatic = 1 : Check o.TextMarkItatic = 1, "TextMarkItatic round trip"
o.TextMarkUnderline = 1 : Check o.TextMarkUnderline = 1, "TextMarkUnderline round trip"
o.TextMarkFontName = "Liberation Serif" : Check o.TextMarkFontName = "Liberation Serif", "TextMarkFontName round trip"
s = String(31, "x")
o.TextMarkFontName = s : Check o.TextMarkFontName = s, "a face name of 31 characters is kept whole"
o.MarkTransparent = 50 : Check o.MarkTransparent = 50, "MarkTransparent round trip"
o.TextMarkAreaWidth = 320 : Check o.TextMarkAreaWidth = 320, "TextMarkAreaWidth round trip"
o.MarkPos = 4 : Check o.MarkPos = 4, "MarkPos round trip"
o.MarkPosOffsetX = -20 : Check o.MarkPosOffsetX = -20, "MarkPosOffsetX round trip"
o.MarkPosOffsetY = 15 : Check o.MarkPosOffsetY = 15, "MarkPosOffsetY round trip"
o.TextMarkShadowColor = &H808080 : Check CLng(o.TextMarkShadowColor) = &H808080, "TextMarkShadowColor round trip"
o.TextMarkShadowVisible = 5 : Check o.TextMarkShadowVisible = 1, "TextMarkShadowVisible 5 reads back 1"
o.TextMarkShadowVisible = -1 : Check o.TextMarkShadowVisible = 1, "TextMarkShadowVisible -1 reads back 1"
o.TextMarkShadowVisible = 0 : Check o.TextMarkShadowVisible = 0, "TextMarkShadowVisible 0 reads back 0"
o.TextMarkShadowDistance = 3 : Check o.TextMarkShadowDistance = 3, "TextMarkShadowDistance round trip"
o.TextMarkShadowAngle = 45 : Check o.TextMarkShadowAngle = 45, "TextMarkShadowAngle round trip"
o.TextMarkShadowSize = 9 : Check o.TextMarkShadowSize = 9, "TextMarkShadowSize round trip"
o.TextMarkShadowTransparent = 60 : Check o.TextMarkShadowTransparent = 60, "TextMarkShadowTransparent round trip"
o.Quality = 250 : Check o.Quality = 250, "Quality 250 is kept"
o.Quality = -3 : Check o.Quality = -3, "Quality -3 is kept"
o.TextMarkRotate = -30 : Check o.TextMarkRotate = -30, "TextMarkRotate round trip"
Check o.GetErrorInfo() = "", "setters set no error text"

' Failures reach a script as the error text, read as a result or into a variable.
Set o = CreateObject("vxImage.Resize")
o.LoadSourceImage folder & "\no such picture.jpg"
Check o.GetErrorInfo() = "Source image file open failed!", "a missing file: " & o.GetErrorInfo()
s = "old text"
o.GetErrorInfo s
Check s = "Source image file open failed!", "the error text into a variable: " & s
o.LoadSourceImage logo
Check o.GetSourceImageWidth() = 300, "the logo loads after a failure"
Check o.GetErrorInfo() = "Source image file open failed!", "the error text stays after a success"
o.MakeMarkImage folder & "\no such folder\marked.jpg"
Check o.GetErrorInfo() = "Target image file open failed!", "a target that cannot be made: " & o.GetErrorInfo()
Check Not fso.FileExists(folder & "\no such folder\marked.jpg"), "nothing written for a failed target"
Set o = CreateObject("vxImage.Resize")
o.LoadSourceImage folder & "\picture.tiff"
Check o.GetErrorInfo() = "Source image file formate is not supported!", "a TIFF: " & o.GetErrorInfo()
Check o.GetSourceImageWidth() = -1, "a refused file loads nothing"

' What the automation runtime itself refuses.
Err.Clear
On Error Resume Next
o.NoSuchMember 1
number = Err.Number
On Error GoTo 0
Check number = 438, "an unknown member raises error 438, not " & number
Err.Clear
On Error Resume Next
o.Quality = "eighty"
number = Err.Number
On Error GoTo 0
Check number = 13, "a text for a long raises error 13 (type mismatch), not " & number
Check o.Quality = 80, "the refused value is not stored"
Err.Clear
On Error Resume Next
o.MakeCropImage folder & "\crop.jpg", "left", 0, 10, 10
number = Err.Number
On Error GoTo 0
Check number = 13, "a text for a position raises error 13, not " & number
Err.Clear
On Error Resume Next
o.MakeThumbImage folder & "\thumb.jpg", 150
number = Err.Number
On Error GoTo 0
Check number = 450, "too few arguments raise error 450, not " & number
Err.Clear
On Error Resume Next
o.GetSourceImageWidth = 5
number = Err.Number
On Error GoTo 0
Check number <> 0, "a method cannot be assigned"
Check Not fso.FileExists(folder & "\crop.jpg"), "a refused call writes nothing"

' IResize2, by name on the same object: a phone photo stored on its side with EXIF
' orientation 6 (300 x 480 as stored), turned upright, decoded smaller, and made into
' resampled and box thumbnails; then the background, a refused filter and the error text
' cleared.
Dim phone
phone = fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "phone-orientation6.jpg")
Set o = CreateObject("vxImage.Resize")
Check o.AutoOrient = 0, "AutoOrient starts at 0"
Check o.ResampleFilter = 0, "ResampleFilter starts at 0"
Check o.LoadMinWidth = 0 And o.LoadMinHeight = 0, "LoadMinWidth and LoadMinHeight start at 0"
Check CLng(o.BackgroundColor) = 0, "BackgroundColor starts black"
Check o.GetSourceFileWidth() = -1 And o.GetSourceFileHeight() = -1, "no picture: file size -1 x -1"
o.LoadSourceImage phone
Check o.GetSourceImageWidth() = 300 And o.GetSourceImageHeight() = 480, "as stored without AutoOrient"
o.AutoOrient = 1
o.LoadSourceImage phone
Check o.GetSourceImageWidth() = 480 And o.GetSourceImageHeight() = 300, "upright: " & o.GetSourceImageWidth() & " x " & o.GetSourceImageHeight()
o.LoadMinWidth = 100
o.LoadSourceImage phone
Check o.GetSourceImageWidth() = 120 And o.GetSourceImageHeight() = 75, "decoded at 2/8: " & o.GetSourceImageWidth() & " x " & o.GetSourceImageHeight()
Check o.GetSourceFileWidth() = 480 And o.GetSourceFileHeight() = 300, "the file's upright size: " & o.GetSourceFileWidth() & " x " & o.GetSourceFileHeight()
o.ResampleFilter = 2
o.MakeFitImage folder & "\phone-fit.jpg", 100, 100
o.MakeFillImage folder & "\phone-fill.jpg", 64, 64
o.ResampleFilter = 1
o.MakeThumbImage folder & "\phone-thumb.jpg", 60, 0, 1
Check o.GetErrorInfo() = "", "the phone photo: " & o.GetErrorInfo()
Check fso.FileExists(folder & "\phone-fit.jpg"), "a fit thumbnail"
Check fso.FileExists(folder & "\phone-fill.jpg"), "a fill thumbnail"
Check fso.FileExists(folder & "\phone-thumb.jpg"), "an area-averaged thumbnail"
Err.Clear
On Error Resume Next
o.ResampleFilter = 3
number = Err.Number
On Error GoTo 0
Check number <> 0 And o.ResampleFilter = 1, "a filter that does not exist is refused"
o.BackgroundColor = &HFFFFFF : Check CLng(o.BackgroundColor) = &HFFFFFF, "BackgroundColor round trip"
o.LoadSourceImage folder & "\no such picture.jpg"
Check o.GetErrorInfo() = "Source image file open failed!", "a failure after IResize2's members"
o.ClearErrorInfo
Check o.GetErrorInfo() = "", "ClearErrorInfo empties the error text"

' IResize2's colour and coding members: a 240 x 150 photo in Adobe RGB (its ICC profile in
' APP2) with EXIF orientation 6, converted to sRGB, turned upright, its metadata kept, and
' written progressive, 4:2:0 and with optimised tables as every kind of output. The file
' is samples/photo-2mp.jpg decoded at 1/8 (djpeg), coded again (cjpeg -quality 95),
' converted by lcms2's jpgicc to tests/data/compatibleWithAdobeRGB1998.icc with that
' profile embedded (-e -q90), and given a 34-byte Exif segment after its JFIF segment.
' scripts/windows.sh then looks for the Exif and ICC segments in the outputs.
Dim adobe, coded
adobe = fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "adobe-rgb-exif.jpg")
Set o = CreateObject("vxImage.Resize")
Check o.ColorManage = 0 And o.KeepMetadata = 0 And o.Progressive = 0 And o.ChromaSubsampling = 0 And _
      o.OptimizeCoding = 0, "the colour and coding members start at 0"
o.ColorManage = 5 : o.KeepMetadata = -1 : o.Progressive = 2 : o.OptimizeCoding = 1
Check o.ColorManage = 1 And o.KeepMetadata = 1 And o.Progressive = 1 And o.OptimizeCoding = 1, _
      "the colour and coding switches read back 1"
o.ChromaSubsampling = 1 : Check o.ChromaSubsampling = 1, "ChromaSubsampling 1 round trip"
o.ChromaSubsampling = 2 : Check o.ChromaSubsampling = 2, "ChromaSubsampling 2 round trip"
Err.Clear
On Error Resume Next
o.ChromaSubsampling = 3
number = Err.Number
On Error GoTo 0
Check number <> 0 And o.ChromaSubsampling = 2, "ChromaSubsampling 3 is refused and 2 kept, error " & number
Check o.GetErrorInfo() = "ChromaSubsampling must be 0, 1 or 2!", "the refusal's error text: " & o.GetErrorInfo()
o.ClearErrorInfo
o.AutoOrient = 1
Err.Clear
On Error Resume Next
o.LoadSourceImage adobe
o.MakeMarkImage folder & "\adobe-mark.jpg"
o.MakeThumbImage folder & "\adobe-thumb.jpg", 60, 0, 1
o.MakeFitImage folder & "\adobe-fit.jpg", 50, 50
o.MakeFillImage folder & "\adobe-fill.jpg", 40, 40
o.MakeCropImage folder & "\adobe-crop.jpg", 10, 20, 100, 80
number = Err.Number
On Error GoTo 0
Check number = 0 And o.GetErrorInfo() = "", "the Adobe RGB photo loads and writes: " & number & " " & o.GetErrorInfo()
Check o.GetSourceImageWidth() = 150 And o.GetSourceImageHeight() = 240, "the Adobe RGB photo upright: " & _
      o.GetSourceImageWidth() & " x " & o.GetSourceImageHeight()
For Each coded In Array("mark", "thumb", "fit", "fill", "crop")
  Check fso.FileExists(folder & "\adobe-" & coded & ".jpg"), "the Adobe RGB photo's " & coded & " output"
Next

' The typical request on each source: the logo at the bottom right at half opacity, the
' marked picture, a thumbnail by each sizing rule and a crop; then a caption with a soft
' shadow at the bottom left, and the picture again.
Sub TypicalRequest(source)
  Dim o, name, target
  name = fso.GetBaseName(source)
  target = folder & "\" & name
  Set o = CreateObject("vxImage.Resize")
  o.LoadSourceImage source
  Check o.GetSourceImageWidth() > 0, name & ": loaded"
  o.MarkPos = 4
  o.MarkTransparent = 50
  o.AddImageMark logo, 0, 0
  o.MakeMarkImage target & "-mark.jpg"
  o.MakeThumbImage target & "-thumb0.jpg", 150, 100, 0
  o.MakeThumbImage target & "-thumb1.jpg", 150, 0, 1
  o.MakeThumbImage target & "-thumb2.jpg", 0, 100, 2
  o.MakeThumbImage target & "-thumb3.jpg", 0.5, 0.25, 3
  o.MakeCropImage target & "-crop.jpg", 10, 20, 100, 80
  o.MarkPos = 3
  o.MarkTransparent = 100
  o.TextMarkFontName = "Arial"
  o.TextMarkHeight = -48
  o.TextMarkColor = &HFFFFFF
  o.TextMarkShadowVisible = 1
  o.TextMarkShadowDistance = 3
  o.AddTextMark "(c) 2026 Example Photo", 0, 0
  o.MakeMarkImage target & "-text.jpg"
  Check o.GetErrorInfo() = "", name & ": " & o.GetErrorInfo()
  Check fso.FileExists(target & "-mark.jpg"), name & ": marked picture"
  Check fso.FileExists(target & "-thumb0.jpg"), name & ": thumbnail of exact size"
  Check fso.FileExists(target & "-thumb1.jpg"), name & ": thumbnail of fixed width"
  Check fso.FileExists(target & "-thumb2.jpg"), name & ": thumbnail of fixed height"
  Check fso.FileExists(target & "-thumb3.jpg"), name & ": thumbnail by scale factors"
  Check fso.FileExists(target & "-crop.jpg"), name & ": crop"
  Check fso.FileExists(target & "-text.jpg"), name & ": with the caption"
End Sub

For i = 2 To WScript.Arguments.Count - 1
  TypicalRequest WScript.Arguments(i)
Next

WScript.Echo passed & " passed, " & failed & " failed"
