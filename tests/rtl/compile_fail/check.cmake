# Compiles one declaration snippet on its own (syntax and templates only, no object file).
#   cmake -DCXX=<compiler> -DINCLUDE=<source root> -DSOURCE=<snippet> -P check.cmake
# A snippet whose first line is "// must not compile: <regular expression>" passes when the
# compiler refuses it with a message matching the expression; any other snippet passes
# when it compiles cleanly.
file(STRINGS ${SOURCE} first LIMIT_COUNT 1)
execute_process(
  COMMAND ${CXX} -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I${INCLUDE} ${SOURCE}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(first MATCHES "^// must not compile: (.*)$")
  set(expected "${CMAKE_MATCH_1}")
  if(result EQUAL 0)
    message(FATAL_ERROR "${SOURCE} compiled, but must not")
  endif()
  if(NOT output MATCHES "${expected}")
    message(FATAL_ERROR "${SOURCE} failed for another reason than \"${expected}\":\n${output}")
  endif()
elseif(NOT result EQUAL 0)
  message(FATAL_ERROR "${SOURCE} must compile:\n${output}")
endif()
