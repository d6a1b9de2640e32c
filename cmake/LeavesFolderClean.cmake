# Run by CTest (cmake -P): runs a test program with a GoogleTest filter from an empty folder and
# fails when the run leaves anything there, or when the pictures it names did not reach the build
# tree's test-output folder. Tests write what they keep into the build tree, wherever they run from.
#   -DBIN=<program> -DFILTER=<gtest filter> -DFOLDER=<scratch folder> -DOUTPUT=<test-output folder>
#   -DEXPECT=<picture,picture,...>
string(REPLACE "," ";" EXPECT "${EXPECT}")
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
# Other runs may write the same pictures meanwhile: a picture counts when it is as new as this run.
string(TIMESTAMP start "%s" UTC)
execute_process(COMMAND "${BIN}" "--gtest_filter=${FILTER}" WORKING_DIRECTORY "${FOLDER}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${BIN} --gtest_filter=${FILTER} failed (${result}):\n${out}")
endif()
file(GLOB_RECURSE left RELATIVE "${FOLDER}" "${FOLDER}/*")
if(left)
  message(FATAL_ERROR "the tests left files in the folder they ran from: ${left}")
endif()
foreach(picture ${EXPECT})
  file(TIMESTAMP "${OUTPUT}/${picture}" written "%s" UTC)
  if(NOT written OR written LESS start)
    message(FATAL_ERROR "${picture} was not written into ${OUTPUT}")
  endif()
endforeach()
file(REMOVE_RECURSE "${FOLDER}")
