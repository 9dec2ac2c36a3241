ludora_test(classlib_windowing_tests
  SOURCES WindowingFixtures.cpp ControlsTest.cpp FormsTest.cpp WindowingTest.rc
  LIBS classlib)
set_source_files_properties(WindowingTest.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/AlignForm.txt)
target_include_directories(classlib_windowing_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
