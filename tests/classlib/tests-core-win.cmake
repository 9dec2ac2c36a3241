ludora_test(classlib_core_win_tests
  SOURCES WindowSmokeTest.cpp IniFilesTest.cpp RegistryTest.cpp
  LIBS classlib)
