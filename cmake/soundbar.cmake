# soundbar_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program; its cases are registered with CTest one by one so ctest -j spreads them,
# and the program whole as <name>.whole.
function(soundbar_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} sb_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  # GStreamer finds the host's stand-ins for the board's elements and nothing else of the system's,
  # also when ctest is run by hand.
  set(env "GST_PLUGIN_SYSTEM_PATH=${CMAKE_BINARY_DIR}/platform/gst")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 PROPERTIES ENVIRONMENT "${env}")
  # The whole program once more, its cases shuffled in one process: a case that leaves a name, a
  # thread or a setting behind for the next fails here, where one case per process hides it.
  add_test(NAME ${name}.whole COMMAND ${name} --gtest_shuffle)
  # Its cases run one after another, so it gets a bound of its own beside the per-case one.
  set_tests_properties(${name}.whole PROPERTIES ENVIRONMENT "${env}" TIMEOUT 1800)
endfunction()

# soundbar_benchmark(<name> SOURCES <files...> LIBS <targets...>): built only when Google Benchmark is.
function(soundbar_benchmark name)
  if(NOT SOUNDBAR_BENCHMARKS)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
