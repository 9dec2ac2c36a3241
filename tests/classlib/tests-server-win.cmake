ludora_idl(autotest_tlb AutoTest.idl)
ludora_test(classlib_server_tests
  SOURCES AutoObjTest.cpp AutoTest.rc ../support/ScriptHost.cpp
  LIBS classlib autotest_tlb)
get_target_property(autotest_dir autotest_tlb INTERFACE_INCLUDE_DIRECTORIES)
set_source_files_properties(AutoTest.rc PROPERTIES OBJECT_DEPENDS ${autotest_dir}/autotest_tlb.tlb)
