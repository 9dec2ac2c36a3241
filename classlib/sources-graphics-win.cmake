list(APPEND CLASSLIB_WIN_SOURCES
  Graphics.cpp
  Bitmap.cpp
  Picture.cpp
  PngImage.cpp
)
