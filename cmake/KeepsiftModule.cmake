# A component is one folder: a static library of its .cpp files (tests and tools
# excluded) and, when it has tests, one test binary of <folder>/tests/*.cpp. Keeping
# components small lets each be built and tested on its own.
function(keepsift_component name)
  cmake_parse_arguments(ARG "" "" "LINK;TEST_LINK;ONE_PROCESS_SUITES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
  endif()
  if(KEEPSIFT_TESTS)
    file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
    if(test_sources)
      add_executable(${name}_tests ${test_sources})
      keepsift_test_build(${name}_tests)
      target_link_libraries(${name}_tests PRIVATE ${name} ${ARG_TEST_LINK} GTest::gmock GTest::gtest_main)
      target_compile_definitions(${name}_tests PRIVATE
        KEEPSIFT_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data"
        KEEPSIFT_SANITIZED=$<BOOL:${KEEPSIFT_SANITIZE}>)
      keepsift_discover_tests(${name}_tests ${ARG_ONE_PROCESS_SUITES})
    endif()
  endif()
endfunction()

# Every test runs in a process of its own, except the suites named: those share what they
# measure (photographs read and printed once) and so run whole, in one process each, started
# first so that they never trail at the end of a parallel run.
function(keepsift_discover_tests target)
  set(filter "")
  foreach(suite IN LISTS ARGN)
    string(APPEND filter ":${suite}.*")
    add_test(NAME ${suite} COMMAND ${target} --gtest_filter=${suite}.*)
    # Skipped only when none of its tests passed: ctest reports a match as a skip even beside a
    # failure, so a suite named here must skip all its tests or none.
    set_tests_properties(${suite} PROPERTIES
      ENVIRONMENT_MODIFICATION "${KEEPSIFT_TEST_ENVIRONMENT}"
      SKIP_REGULAR_EXPRESSION "\\[  PASSED  \\] 0 tests\\.\n\\[  SKIPPED \\]"
      COST 10000 TIMEOUT 1800)
  endforeach()
  if(filter)
    string(SUBSTRING "${filter}" 1 -1 filter)
    set(filter TEST_FILTER "-${filter}")
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 ${filter}
    PROPERTIES ENVIRONMENT_MODIFICATION "${KEEPSIFT_TEST_ENVIRONMENT}")
endfunction()

# Settings every test binary shares.
function(keepsift_test_build target)
  if(KEEPSIFT_SANITIZE AND KEEPSIFT_SANITIZE_TEST_FLAGS)
    separate_arguments(flags UNIX_COMMAND "${KEEPSIFT_SANITIZE_TEST_FLAGS}")
    target_compile_options(${target} PRIVATE ${flags})
  endif()
endfunction()

# Adds every child folder that has a CMakeLists.txt.
function(keepsift_add_children)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# A benchmark binary <name>-bench with Google Benchmark's main, or its own with OWN_MAIN.
function(keepsift_benchmark name)
  cmake_parse_arguments(ARG "OWN_MAIN" "" "SOURCES;LINK" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name}-bench ${ARG_SOURCES})
  if(ARG_OWN_MAIN)
    target_link_libraries(${name}-bench PRIVATE ${ARG_LINK} benchmark::benchmark)
  else()
    target_link_libraries(${name}-bench PRIVATE ${ARG_LINK} benchmark::benchmark_main)
  endif()
endfunction()
