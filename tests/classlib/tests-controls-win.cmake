ludora_test(classlib_controls_tests
  SOURCES MenusTest.cpp
  LIBS classlib)
