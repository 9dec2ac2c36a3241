# A library with its own copy of the class library, loaded by the tests.
add_library(windowing_testlib SHARED WindowingLibrary.cpp)
target_link_libraries(windowing_testlib PRIVATE classlib)
target_link_options(windowing_testlib PRIVATE -static)
set_target_properties(windowing_testlib PROPERTIES PREFIX "")

# Focus and activation belong to the desktop, which each case has alone.
ludora_test(classlib_windowing_tests
  SOURCES WindowingFixtures.cpp ControlsTest.cpp FormsTest.cpp WindowingTest.rc
  LIBS classlib)
add_dependencies(classlib_windowing_tests windowing_testlib)
target_include_directories(classlib_windowing_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
set_source_files_properties(WindowingTest.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/AlignForm.txt)
