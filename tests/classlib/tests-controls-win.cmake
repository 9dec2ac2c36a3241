# Modal dialogs, tracked popup menus and focus belong to the desktop, which each case has
# alone.
ludora_test(classlib_controls_tests
  SOURCES MenusTest.cpp ControlsFixtures.cpp StdCtrlsTest.cpp ExtCtrlsPanelsTest.cpp ComCtrlsTest.cpp
  LIBS classlib)
target_include_directories(classlib_controls_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
