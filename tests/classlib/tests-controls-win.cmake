# Modal dialogs, tracked popup menus and focus belong to the one desktop: these tests take
# turns with the others that need it.
ludora_test(classlib_controls_tests
  SOURCES MenusTest.cpp ControlsFixtures.cpp StdCtrlsTest.cpp ExtCtrlsPanelsTest.cpp ComCtrlsTest.cpp
  LIBS classlib LOCK desktop_focus)
target_include_directories(classlib_controls_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
