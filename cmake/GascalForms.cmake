# gascal_forms(<target> CLASSES <class table> FORM <text> PARTS <struct> [FORM ... PARTS ...]...)
# Writes, for each component text, the C++ of its parts at build time (tools/formgen): a
# header "<text's folder>/<text's name>.h" on the target's include path (a text
# app/ui/forms/Page_ACB.txt gives "app/ui/forms/Page_ACB.h") holding the parts struct named
# PARTS, the declaration of its BindFormParts and the FormHandlers table of the handlers the
# text names; and a source with BindFormParts, compiled into <target>. An edit of the text,
# of the class table or of the generator writes them again; a text the generator cannot
# take fails the build with the text's line.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(GASCAL_FORMGEN ${CMAKE_CURRENT_LIST_DIR}/../tools/formgen/formgen.py)
cmake_path(NORMAL_PATH GASCAL_FORMGEN)

function(gascal_forms target)
  set(classes)
  set(forms)
  set(parts)
  set(args ${ARGN})
  list(LENGTH args n)
  set(i 0)
  while(i LESS n)
    list(GET args ${i} key)
    math(EXPR j "${i} + 1")
    if(j GREATER_EQUAL n)
      message(FATAL_ERROR "gascal_forms: ${key} needs a value")
    endif()
    list(GET args ${j} value)
    if(key STREQUAL "CLASSES")
      get_filename_component(classes ${value} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    elseif(key STREQUAL "FORM")
      get_filename_component(value ${value} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      list(APPEND forms ${value})
    elseif(key STREQUAL "PARTS")
      list(APPEND parts ${value})
    else()
      message(FATAL_ERROR "gascal_forms: unknown argument ${key}")
    endif()
    math(EXPR i "${i} + 2")
  endwhile()
  list(LENGTH forms form_count)
  list(LENGTH parts parts_count)
  if(NOT classes OR NOT form_count EQUAL parts_count OR form_count EQUAL 0)
    message(FATAL_ERROR "gascal_forms: give CLASSES, and FORM and PARTS in pairs")
  endif()

  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_forms)
  math(EXPR last "${form_count} - 1")
  foreach(k RANGE ${last})
    list(GET forms ${k} form)
    list(GET parts ${k} struct)
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${form})
    string(REGEX REPLACE "\\.txt$" "" stem ${relative})
    set(header ${out_dir}/${stem}.h)
    set(source ${out_dir}/${stem}.cpp)
    add_custom_command(
      OUTPUT ${header} ${source}
      COMMAND Python3::Interpreter ${GASCAL_FORMGEN} --form ${form} --classes ${classes} --parts ${struct}
              --header ${header} --source ${source} --include-as ${stem}.h --origin ${relative}
      DEPENDS ${form} ${classes} ${GASCAL_FORMGEN}
      COMMENT "Writing the parts of ${relative}"
      VERBATIM)
    target_sources(${target} PRIVATE ${header} ${source})
  endforeach()
  target_include_directories(${target} PUBLIC ${out_dir})
endfunction()
