# A component is one folder: a static library of its .cpp files (tests and tools
# excluded) and, when it has tests, one test binary of <folder>/tests/*.cpp. Keeping
# components small lets each be built and tested on its own.
function(keepsift_component name)
  cmake_parse_arguments(ARG "" "" "LINK;TEST_LINK" ${ARGN})
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
      target_link_libraries(${name}_tests PRIVATE ${name} ${ARG_TEST_LINK} GTest::gmock GTest::gtest_main)
      target_compile_definitions(${name}_tests PRIVATE
        KEEPSIFT_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
      gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT_MODIFICATION "${KEEPSIFT_TEST_ENVIRONMENT}")
    endif()
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
