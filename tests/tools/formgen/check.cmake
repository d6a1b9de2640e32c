# Writes the parts of the test text FORM with the class table CLASSES into OUT, then compiles
# one file on its own (syntax and templates only, no object file): SOURCE, a snippet that
# includes "Test_Form.h", or, when SOURCE is "GENERATED", the written Test_Form.cpp.
#   cmake -DPYTHON=... -DGEN=formgen.py -DFORM=... -DCLASSES=... -DOUT=<dir> -DCXX=<compiler>
#         -DROOT=<source root> -DSOURCE=<file|GENERATED> [-DEXPECT=<regular expression>] -P check.cmake
# A snippet whose first line is "// must not compile: <regular expression>" (or EXPECT given)
# passes when the compiler refuses it with a message matching the expression; any other passes
# when it compiles cleanly.
file(REMOVE_RECURSE ${OUT})
execute_process(
  COMMAND ${PYTHON} ${GEN} --form ${FORM} --classes ${CLASSES} --parts TTestFormParts --header ${OUT}/Test_Form.h
          --source ${OUT}/Test_Form.cpp --include-as Test_Form.h
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The generator failed on ${FORM}:\n${output}")
endif()
if(SOURCE STREQUAL "GENERATED")
  set(SOURCE ${OUT}/Test_Form.cpp)
else()
  file(STRINGS ${SOURCE} first LIMIT_COUNT 1)
  if(first MATCHES "^// must not compile: (.*)$")
    set(EXPECT "${CMAKE_MATCH_1}")
  endif()
endif()
execute_process(
  COMMAND ${CXX} -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I${ROOT} -I${OUT} ${SOURCE}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(EXPECT)
  if(result EQUAL 0)
    message(FATAL_ERROR "${SOURCE} compiled, but must not")
  endif()
  if(NOT output MATCHES "${EXPECT}")
    message(FATAL_ERROR "${SOURCE} failed for another reason than \"${EXPECT}\":\n${output}")
  endif()
elseif(NOT result EQUAL 0)
  message(FATAL_ERROR "${SOURCE} must compile:\n${output}")
endif()
