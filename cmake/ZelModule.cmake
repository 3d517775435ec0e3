# zel_module(NAME [DEPS lib...]) builds src/NAME/*.cpp into the static library zel_NAME.
function(zel_module name)
  cmake_parse_arguments(ZM "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
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
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${name})
endfunction()
