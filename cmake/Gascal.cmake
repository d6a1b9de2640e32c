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
# One GoogleTest program per tested folder, built from every .cpp in the test folder; each
# test suite becomes a CTest test named after it, listed when CTest runs (GascalSuites.cmake).
set(GASCAL_SUITES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/GascalSuites.cmake)
function(gascal_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  # Xlib's macros (None, Bool, Status) would reach the files after such a test file in a batch:
  # a test file that includes X11's or SDL's window-system header compiles on its own.
  foreach(source ${sources})
    file(STRINGS ${source} window_system REGEX "^#include <(X11/|SDL_syswm)")
    if(window_system)
      set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  # A test program's time goes into the libraries it drives, which keep the build's level; its
  # own code is mostly test macros, which cost twice as much to compile optimised under the
  # sanitizers as they save when they run. The optimised build keeps -O2 for them.
  target_compile_options(${name} PRIVATE $<$<CONFIG:Debug>:-O0>)
  # At -O0 most of a test file's compile is parsing GoogleTest's headers; the per-file debug tree
  # parses them once per test program. (Not at -O2, where a precompiled header changes what the
  # optimiser warns about; the batched trees parse them once per batch anyway.)
  if(CMAKE_BUILD_TYPE STREQUAL "Debug" AND NOT GASCAL_UNITY)
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h>)
  endif()
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_suites_include.cmake)
  file(GENERATE OUTPUT ${include_file} CONTENT
"set(NAME [==[${name}]==])
set(BIN [==[$<TARGET_FILE:${name}>]==])
set(WD [==[${CMAKE_CURRENT_BINARY_DIR}]==])
set(OUT [==[${CMAKE_CURRENT_BINARY_DIR}/${name}_suites.cmake]==])
set(TIMEOUT 900)
include([==[${GASCAL_SUITES_SCRIPT}]==])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()

# gascal_resources(<target> [FUNCTION <name>] NAME <resource name> FILE <path> [NAME ... FILE ...]...)
# Compiles files into <target> as named resources for TResourceStream. The bytes are
# turned into C++ arrays at build time by CMake itself (no other tool), and a generated
# function registers them; the program calls it at start-up:
#   void <name>();   // default name: RegisterResources_<target as identifier>
# declared in the generated header "<target>_resources.h" (on the target's include path).
set(GASCAL_RESOURCE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/GascalResource.cmake)
function(gascal_resources target)
  string(MAKE_C_IDENTIFIER ${target} target_id)
  set(function_name RegisterResources_${target_id})
  set(names)
  set(files)
  set(args ${ARGN})
  list(LENGTH args n)
  set(i 0)
  while(i LESS n)
    list(GET args ${i} key)
    math(EXPR j "${i} + 1")
    if(j GREATER_EQUAL n)
      message(FATAL_ERROR "gascal_resources: ${key} needs a value")
    endif()
    list(GET args ${j} value)
    if(key STREQUAL "FUNCTION")
      set(function_name ${value})
    elseif(key STREQUAL "NAME")
      list(APPEND names ${value})
    elseif(key STREQUAL "FILE")
      get_filename_component(value ${value} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      list(APPEND files ${value})
    else()
      message(FATAL_ERROR "gascal_resources: unknown argument ${key}")
    endif()
    math(EXPR i "${i} + 2")
  endwhile()
  list(LENGTH names name_count)
  list(LENGTH files file_count)
  if(NOT name_count EQUAL file_count OR name_count EQUAL 0)
    message(FATAL_ERROR "gascal_resources: give NAME and FILE in pairs")
  endif()

  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  set(declarations "")
  set(calls "")
  math(EXPR last "${name_count} - 1")
  foreach(k RANGE ${last})
    list(GET names ${k} res_name)
    list(GET files ${k} res_file)
    string(MAKE_C_IDENTIFIER "gascal_res_${target_id}_${k}" symbol)
    set(source ${out_dir}/${symbol}.cpp)
    add_custom_command(
      OUTPUT ${source}
      COMMAND ${CMAKE_COMMAND} -DIN=${res_file} -DOUT=${source} -DSYMBOL=${symbol} -P ${GASCAL_RESOURCE_SCRIPT}
      DEPENDS ${res_file} ${GASCAL_RESOURCE_SCRIPT}
      COMMENT "Embedding resource ${res_name}"
      VERBATIM)
    target_sources(${target} PRIVATE ${source})
    string(APPEND declarations "extern const unsigned char ${symbol}[];\nextern const std::size_t ${symbol}_size;\n")
    string(APPEND calls "  rtl::RegisterResource(\"${res_name}\", ${symbol}, ${symbol}_size);\n")
  endforeach()

  file(GENERATE OUTPUT ${out_dir}/${target}_resources.h CONTENT
"// Generated by gascal_resources(); do not edit.
#pragma once
void ${function_name}();
")
  file(GENERATE OUTPUT ${out_dir}/${target}_register.cpp CONTENT
"// Generated by gascal_resources(); do not edit.
#include <cstddef>
#include \"platform/rtl/Streams.h\"
#include \"${target}_resources.h\"
${declarations}
void ${function_name}() {
${calls}}
")
  target_sources(${target} PRIVATE ${out_dir}/${target}_register.cpp)
  target_include_directories(${target} PUBLIC ${out_dir})
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/GascalForms.cmake)
