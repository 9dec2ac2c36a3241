ludora_test(classlib_graphics_tests
  SOURCES GraphicsTest.cpp BitmapTest.cpp PngImageTest.cpp
  LIBS classlib)
