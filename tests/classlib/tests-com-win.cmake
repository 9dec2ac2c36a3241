ludora_test(classlib_com_tests
  SOURCES ComObjTest.cpp
  LIBS classlib)
