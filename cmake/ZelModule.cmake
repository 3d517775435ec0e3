# zel_precompile(TARGET [GTEST]) gives a target a precompiled header of the system headers its
# sources use most: the standard library's, with GTEST GoogleTest's. Not Qt's: its keyword
# macros (slots, signals, emit) would reach framework sources that never include Qt. Only system headers: the project's own stay included where they are used,
# so a missing include still shows with -DZEL_PCH=OFF.
set(ZEL_PCH_STD <algorithm> <array> <cmath> <cstddef> <cstdint> <cstdio> <cstdlib> <cstring>
  <functional> <map> <memory> <string> <string_view> <utility> <vector>)
function(zel_precompile target)
  if(NOT ZEL_PCH)
    return()
  endif()
  cmake_parse_arguments(ZP "GTEST" "" "" ${ARGN})
  set(headers ${ZEL_PCH_STD})
  if(ZP_GTEST)
    list(APPEND headers <gtest/gtest.h> <gmock/gmock.h>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# zel_module(NAME [DEPS lib...]) builds src/NAME/*.cpp into the static library zel_NAME; a
# src/NAME/main.cpp is the entry of a program of the folder's own, not part of the library.
function(zel_module name)
  cmake_parse_arguments(ZM "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "/${name}/main\\.cpp$")
  if(NOT srcs)
    # A folder without sources yet: an interface library, so dependents link all the same.
    add_library(zel_${name} INTERFACE)
    target_include_directories(zel_${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    if(ZM_DEPS)
      target_link_libraries(zel_${name} INTERFACE ${ZM_DEPS})
    endif()
    return()
  endif()
  add_library(zel_${name} STATIC ${srcs})
  target_include_directories(zel_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  if(ZM_DEPS)
    target_link_libraries(zel_${name} PUBLIC ${ZM_DEPS})
  endif()
  if(NOT name STREQUAL "framework")
    zel_precompile(zel_${name})
  endif()
endfunction()

# zel_tests(NAME [DEPS lib...]) builds tests/NAME/*.cpp into test_NAME, one CTest label NAME.
function(zel_tests name)
  cmake_parse_arguments(ZT "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${name} ${srcs})
  target_link_libraries(test_${name} PRIVATE zel_testsupport ${ZT_DEPS} GTest::gtest GTest::gmock)
  zel_precompile(test_${name} GTEST)
  # The tests' own code needs no full optimisation (the libraries it tests keep theirs); -O1
  # spares much of the time their large test bodies take to compile.
  target_compile_options(test_${name} PRIVATE $<$<CONFIG:RelWithDebInfo,Release>:-O1>)
  set_property(GLOBAL APPEND PROPERTY ZEL_TEST_TARGETS test_${name})
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${name})
endfunction()
