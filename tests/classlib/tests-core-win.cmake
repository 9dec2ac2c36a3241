# The smoke test shows and activates a top-level window: the foreground and what lies under
# the pointer change for every test on the desktop, so it takes turns with them.
ludora_test(classlib_core_win_tests
  SOURCES WindowSmokeTest.cpp IniFilesTest.cpp RegistryTest.cpp
  LIBS classlib LOCK desktop_focus)
