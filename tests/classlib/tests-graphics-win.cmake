ludora_test(classlib_graphics_tests
  SOURCES GraphicsTest.cpp
  LIBS classlib)
