# Helpers shared by the subsystem folders.

# orvena_library(NAME [DEPS dep...]) — one static library from every .cpp below the current folder.
function(orvena_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A subsystem not written yet: an empty interface so that dependants still link.
    add_library(orvena_${name} INTERFACE)
    target_include_directories(orvena_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(orvena_${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(orvena_${name} STATIC ${sources})
  target_include_directories(orvena_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(orvena_${name} PUBLIC ${ARG_DEPS})
endfunction()

# orvena_test(NAME LABEL label LIBS lib...) — one GoogleTest executable from every *_test.cpp in
# the current folder; each test case is registered with CTest under the label.
function(orvena_test name)
  cmake_parse_arguments(ARG "" "LABEL" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    ORVENA_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures"
    ORVENA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ORVENA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} PROPERTIES LABELS ${ARG_LABEL} DISCOVERY_TIMEOUT 60)
endfunction()
