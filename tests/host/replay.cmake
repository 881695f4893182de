# Runs a fuzz target once over every file of the given folders (kept crash inputs and
# the corpus): libFuzzer executes each file named on its command line one time and
# fails on the first fault.
set(files)
foreach(folder ${INPUTS})
  file(GLOB found LIST_DIRECTORIES false ${folder}/*)
  list(APPEND files ${found})
endforeach()
if(NOT files)
  message(STATUS "no inputs to replay")
  return()
endif()
execute_process(COMMAND ${FUZZER} ${files} RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}):\n${errors}")
endif()
list(LENGTH files count)
message(STATUS "${count} inputs replayed")
