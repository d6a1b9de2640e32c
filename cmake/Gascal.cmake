# gascal_library(<target> [DEPS <targets>...] [PKG <pkg-config modules>...])
# One static library per source folder, built from every .cpp in that folder.
function(gascal_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PKG" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  foreach(pkg ${ARG_PKG})
    string(MAKE_C_IDENTIFIER ${pkg} id)
    pkg_check_modules(${id} REQUIRED IMPORTED_TARGET ${pkg})
    target_link_libraries(${name} PUBLIC PkgConfig::${id})
  endforeach()
endfunction()

# gascal_test(<target> DEPS <targets>...)
# One GoogleTest program per tested folder, built from every .cpp in the test folder;
# each test case becomes a CTest test.
function(gascal_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                       PROPERTIES TIMEOUT 120)
endfunction()
