' The typical request from VBScript: a photograph stamped with a logo at the bottom right,
' half opaque, and a caption with a soft shadow at the bottom left, then written whole, as
' a thumbnail 150 pixels wide and as a crop.
'
'   cscript //nologo typical_request.vbs PHOTO.jpg LOGO.png OUTPUT_FOLDER
'
' Prints "done", or the error text when something failed.
Option Explicit
Dim photo, logo, folder, o
photo = WScript.Arguments(0)
logo = WScript.Arguments(1)
folder = WScript.Arguments(2)

Set o = CreateObject("vxImage.Resize")
o.LoadSourceImage photo
o.MarkPos = 4                                          ' bottom right
o.MarkTransparent = 50                                 ' half opaque
o.AddImageMark logo, 0, 0
o.MarkPos = 3                                          ' bottom left
o.MarkTransparent = 100
o.TextMarkFontName = "Arial"
o.TextMarkHeight = -48                                 ' 48 pixels per em
o.TextMarkColor = &HFFFFFF                             ' white
o.TextMarkShadowVisible = 1                            ' black, blurred over 5 pixels,
o.TextMarkShadowDistance = 3                           ' 3 pixels right and down
o.AddTextMark "(c) 2026 Example Photo", 0, 0
o.MakeMarkImage folder & "\marked.jpg"
o.MakeThumbImage folder & "\thumb.jpg", 150, 0, 1      ' 150 pixels wide, height in proportion
o.MakeCropImage folder & "\crop.jpg", 0, 0, 300, 200   ' the top left 300 x 200 pixels
If o.GetErrorInfo() = "" Then WScript.Echo "done" Else WScript.Echo o.GetErrorInfo()
