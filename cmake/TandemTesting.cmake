# Helpers for the test programs.
#
# tandem_native_test(NAME SOURCES... LIBS ...): a GoogleTest program for portable code, built
#   in the native configuration (with the sanitizers when they are on) and in a build on Windows
#   itself (Visual Studio), where it runs as it is; a cross build leaves it to the native one.
# tandem_wine_test(NAME SOURCES... LIBS ...): a GoogleTest program for Windows code, built in
#   the Windows configurations: a cross build runs it under Wine by ctest (both builds), a build
#   on Windows itself runs it directly. A cross build without Wine registers nothing it can't run.
# tandem_fuzz_target(NAME SOURCES... LIBS ... SECONDS n): a libFuzzer program, built natively with
#   clang when TANDEM_FUZZ is on, and run by ctest for a bounded time.

function(tandem_native_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TANDEM_TESTS OR (WIN32 AND CMAKE_CROSSCOMPILING))
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
endfunction()

function(tandem_wine_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT WIN32 OR NOT TANDEM_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING_EMULATOR OR NOT CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
  endif()
endfunction()

function(tandem_fuzz_target name)
  cmake_parse_arguments(T "" "SECONDS" "SOURCES;LIBS" ${ARGN})
  if(WIN32 OR NOT TANDEM_FUZZ OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  if(NOT T_SECONDS)
    set(T_SECONDS 20)
  endif()
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${T_SECONDS} -print_final_stats=0)
endfunction()
