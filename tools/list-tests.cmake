# Lists one test program's cases ahead of CTest: cmake -P list-tests.cmake INCLUDE_FILE,
# where INCLUDE_FILE is a program's "<name>[1]_include.cmake" from gtest_discover_tests.
# The file lists the cases into its cache beside it when the program is newer; CTest then
# reads the cache. Tests are only declared by CTest: here the declarations do nothing.
# The discovery module, included in script mode, would otherwise run a discovery of its own.
unset(CMAKE_SCRIPT_MODE_FILE)
function(add_test)
endfunction()
function(set_tests_properties)
endfunction()
include("${CMAKE_ARGV3}")
