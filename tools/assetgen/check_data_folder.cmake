# Checks walkers-assetgen from the outside (run with cmake -P):
#   GENERATOR       the walkers-assetgen executable
#   WORK_DIR        a scratch folder, emptied first
#   EXPECTED_FILES  the file names the build lists for the data folder
# Two runs must write byte-identical folders of exactly EXPECTED_FILES; a run for
# more walkers than the renderer holds must fail, say why, and write nothing.
file(REMOVE_RECURSE ${WORK_DIR})

foreach(run first second)
    execute_process(COMMAND ${GENERATOR} ${WORK_DIR}/${run}
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "generator failed on the ${run} run: ${errors}")
    endif()
endforeach()

file(GLOB written RELATIVE ${WORK_DIR}/first ${WORK_DIR}/first/*)
list(SORT written)
set(expected ${EXPECTED_FILES})
list(SORT expected)
if(NOT written STREQUAL expected)
    message(FATAL_ERROR "generator wrote [${written}], the build expects [${expected}]")
endif()

foreach(name ${written})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                    ${WORK_DIR}/first/${name} ${WORK_DIR}/second/${name}
                    RESULT_VARIABLE differs)
    if(differs)
        message(FATAL_ERROR "${name} differs between two runs")
    endif()
endforeach()

execute_process(COMMAND ${GENERATOR} --walkers 16 ${WORK_DIR}/over
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(status EQUAL 0)
    message(FATAL_ERROR "16 walkers exceed the position budget, yet the generator succeeded")
endif()
if(NOT errors MATCHES "OVER BUDGET: positions")
    message(FATAL_ERROR "the refusal does not name the broken budget: ${errors}")
endif()
if(EXISTS ${WORK_DIR}/over)
    message(FATAL_ERROR "a refused design still wrote files")
endif()
