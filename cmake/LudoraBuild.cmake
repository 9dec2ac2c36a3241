# Compiler settings and helpers shared by every folder.
#
# Narrow literals: the Windows build compiles UTF-8 sources to code page 936 bytes
# (-fexec-charset), so "游戏" in code is the program's 8-bit text. Portable code
# (also built natively with clang, which only knows UTF-8) keeps narrow literals ASCII
# and writes other bytes as escapes.

add_compile_options(-Wall -Wextra -Wimplicit-fallthrough)

if(WIN32)
  set(LUDORA_CONFIG win32)
  add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0800 NOMINMAX STRICT)
  add_compile_options(-finput-charset=UTF-8 -fexec-charset=CP936)
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
  set(LUDORA_DEPS_PREFIX "" CACHE PATH "Prefix of the cross-built libjpeg and libpng")
  set(WIDL i686-w64-mingw32-widl)
  set(WINE_IDL_DIR /usr/include/wine/wine/windows)
  set(WINE_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
  # Every Windows program of the build runs under Wine with this tree's own prefix.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
else()
  set(LUDORA_CONFIG native)
  set(LUDORA_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_compile_options(${LUDORA_SANITIZE})
  add_link_options(${LUDORA_SANITIZE})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(LUDORA_FUZZ ON)
  endif()
endif()

# ludora_test(name SOURCES ... LIBS ... [FILES folder] [NO_HEAP_GUARD]): a GoogleTest
# executable; under Windows it runs through the Wine wrapper that CMAKE_CROSSCOMPILING_EMULATOR
# names, with the heap guard (tests/support/HeapGuard.cpp) linked in unless the program
# replaces operator new itself (NO_HEAP_GUARD).
# Each Windows test case takes a desk (LUDORA_DESK): an X screen and a Wine prefix of its
# own, so focus, pointer, hot keys, mutexes and the registry are its alone. Cases that
# write into the FILES folder (files beside a program) run one at a time with every other
# test that names that folder.
set(LUDORA_TEST_TIMEOUT 120 CACHE STRING "Time limit of one test case, in seconds")
if(WIN32)
  # Outside a CTest run with desks (no resource spec) the runner makes such programs take
  # turns on its one desktop.
  set(LUDORA_DESK_ENV LUDORA_ALONE=1)
  set(LUDORA_DESK RESOURCE_GROUPS desk:1 ENVIRONMENT ${LUDORA_DESK_ENV})
endif()
function(ludora_test name)
  cmake_parse_arguments(T "NO_HEAP_GUARD" "FILES" "SOURCES;LIBS" ${ARGN})
  if("LOCK" IN_LIST T_LIBS OR "SERIAL" IN_LIST T_LIBS)
    message(FATAL_ERROR "ludora_test(${name}): LOCK and SERIAL are gone; each case has a desk of its own, "
                        "and FILES names a folder the test writes into beside its program")
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(WIN32 AND NOT T_NO_HEAP_GUARD)
    target_link_libraries(${name} PRIVATE ludora_heap_guard)
  endif()
  set(props TIMEOUT ${LUDORA_TEST_TIMEOUT} ${LUDORA_DESK})
  if(T_FILES)
    list(APPEND props RESOURCE_LOCK ${T_FILES})
  endif()
  if(WIN32)
    add_dependencies(${name} desk_holder)
  endif()
  # Cases are listed when CTest starts, not after linking, so the Windows tests build on a
  # machine that cannot run them.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT ${LUDORA_TEST_TIMEOUT} TEST_PREFIX "${LUDORA_CONFIG}:"
                       PROPERTIES ${props})
endfunction()

# Fuzzing: optimised, since a fuzzer's worth is its executions per second; the
# sanitizers stay on.
set(LUDORA_FUZZ_FLAGS -O2)

# Each library a harness links is built a second time, as <lib>_fuzz, with
# coverage instrumentation for libFuzzer, so that the fuzzer sees the edges of the code
# under test; the libraries the ordinary tests link stay as they are. A library's static
# libraries of this build are twinned the same way, others are linked as they are.
function(ludora_fuzz_twin lib)
  set(twin ${lib}_fuzz)
  if(TARGET ${twin})
    return()
  endif()
  get_target_property(sources ${lib} SOURCES)
  get_target_property(dir ${lib} SOURCE_DIR)
  set(files)
  foreach(s IN LISTS sources)
    if(IS_ABSOLUTE "${s}")
      list(APPEND files "${s}")
    else()
      list(APPEND files "${dir}/${s}")
    endif()
  endforeach()
  add_library(${twin} STATIC EXCLUDE_FROM_ALL ${files})
  foreach(prop INCLUDE_DIRECTORIES COMPILE_DEFINITIONS COMPILE_OPTIONS
               INTERFACE_INCLUDE_DIRECTORIES INTERFACE_COMPILE_DEFINITIONS INTERFACE_COMPILE_OPTIONS)
    get_target_property(value ${lib} ${prop})
    if(value)
      set_property(TARGET ${twin} PROPERTY ${prop} "${value}")
    endif()
  endforeach()
  target_compile_options(${twin} PRIVATE ${LUDORA_FUZZ_FLAGS} -fsanitize=fuzzer-no-link)
  get_target_property(deps ${lib} LINK_LIBRARIES)
  if(NOT deps)
    set(deps)
  endif()
  foreach(dep IN LISTS deps)
    if(TARGET ${dep})
      get_target_property(type ${dep} TYPE)
      if(type STREQUAL "STATIC_LIBRARY")
        ludora_fuzz_twin(${dep})
        set(dep ${dep}_fuzz)
      endif()
    endif()
    target_link_libraries(${twin} PUBLIC ${dep})
  endforeach()
endfunction()

# ludora_fuzz(name SOURCES ... LIBS ... CORPUS dir SECONDS n): a libFuzzer harness run as
# one bounded test (native clang build only). Any crash, leak, hang or OOM fails the test.
# The harness links the instrumented twins of LIBS.
function(ludora_fuzz name)
  if(NOT LUDORA_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS;SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT F_SECONDS)
    set(F_SECONDS 60)
  endif()
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE ${LUDORA_FUZZ_FLAGS} -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  foreach(lib IN LISTS F_LIBS)
    ludora_fuzz_twin(${lib})
    target_link_libraries(${name} PRIVATE ${lib}_fuzz)
  endforeach()
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            sh -c "mkdir -p '${work}' && exec \"$0\" -max_total_time=${F_SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 '${work}' '${F_CORPUS}'"
            $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${F_SECONDS}0 LABELS fuzz)
endfunction()

# ludora_idl(target source.idl): compiles a type library (target.tlb), its C++ header
# (target_h.h) and its interface and class ids (target_i.c) with widl into the current
# binary folder, taking the standard IDL imports from Wine's development headers. The
# library `target` holds the ids and carries the include folder.
function(ludora_idl target idl)
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR})
  add_custom_command(OUTPUT ${out}/${target}.tlb ${out}/${target}_h.h ${out}/${target}_i.c
    COMMAND ${WIDL} -m32 -t -I ${WINE_IDL_DIR} -L ${WINE_TLB_DIR} -o ${out}/${target}.tlb ${idl_abs}
    COMMAND ${WIDL} -m32 -h -I ${WINE_IDL_DIR} -o ${out}/${target}_h.h ${idl_abs}
    COMMAND ${WIDL} -m32 -u -I ${WINE_IDL_DIR} -o ${out}/${target}_i.c ${idl_abs}
    DEPENDS ${idl_abs}
    COMMENT "Type library ${idl}")
  add_library(${target} STATIC ${out}/${target}_i.c ${out}/${target}_h.h ${out}/${target}.tlb)
  target_include_directories(${target} PUBLIC ${out})
endfunction()

# The installed tree: the programs sit beside LocalPage/ and Data/ in one folder.
set(LUDORA_BIN_DIR ${CMAKE_BINARY_DIR}/bin)

# ludora_ship_stripped(target): the file is stripped as it is shipped; its debug
# information goes to debug/<file name>.debug beside the installed tree, and the file
# keeps a debug link (name and checksum) to it.
function(ludora_ship_stripped target)
  set(dir ${CMAKE_BINARY_DIR}/debug)
  set(debug ${dir}/$<TARGET_FILE_NAME:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug}
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${debug} $<TARGET_FILE:${target}>
    COMMENT "Stripping $<TARGET_FILE_NAME:${target}>, debug information in ${debug}"
    VERBATIM)
  # The file as built has no debug section left and names its debug file.
  add_test(NAME win32:Shipped.${target}
    COMMAND sh -c "! \"$0\" -h \"$1\" | grep -q ' \\.debug_' && \"$0\" -h \"$1\" | grep -q ' \\.gnu_debuglink '"
            ${CMAKE_OBJDUMP} $<TARGET_FILE:${target}>)
endfunction()
