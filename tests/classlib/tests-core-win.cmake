# The smoke test shows and activates a top-level window: the foreground and what lies under
# the pointer are the desktop's, which each case has alone.
ludora_test(classlib_core_win_tests
  SOURCES WindowSmokeTest.cpp IniFilesTest.cpp RegistryTest.cpp
  LIBS classlib)
