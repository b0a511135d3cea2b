# Installs the build folder BUILD_DIR with DESTDIR=STAGE under PREFIX, then
# checks the staged install as a user would meet it:
# - every file of FILES (relative to the prefix) is there, and no data folder
#   sits beside the programs;
# - every program of PROGRAMS answers --version with its name and VERSION;
# - the desktop entry DESKTOP_ENTRY (when given) runs PREFIX's walkers;
# - the staged walkers-snapshot, started in a folder of its own, finds the
#   installed data by itself and writes the same state lines, the CRC-32 of
#   every frame's picture included, as the build's BUILT_SNAPSHOT.
cmake_minimum_required(VERSION 3.22)

function(run_or_fail)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT status EQUAL 0 OR NOT err STREQUAL "")
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "'${command}' exited with ${status}:\n${out}\n${err}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed:\n${log}")
endif()
set(root ${STAGE}${PREFIX})
set(bin ${root}/${BINDIR})

set(missing "")
foreach(file ${FILES})
    if(NOT EXISTS ${root}/${file})
        list(APPEND missing ${file})
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " missing)
    message(FATAL_ERROR "missing from the install under ${root}:\n  ${missing}")
endif()
if(EXISTS ${bin}/data)
    message(FATAL_ERROR "a data folder was installed beside the programs: ${bin}/data")
endif()

foreach(program ${PROGRAMS})
    run_or_fail(${bin}/${program} --version)
    if(NOT out STREQUAL "${program} ${VERSION}")
        message(FATAL_ERROR "${program} --version printed '${out}', not '${program} ${VERSION}'")
    endif()
endforeach()

if(DESKTOP_ENTRY)
    file(STRINGS ${root}/${DESKTOP_ENTRY} exec REGEX "^Exec=")
    if(NOT exec STREQUAL "Exec=${PREFIX}/${BINDIR}/walkers")
        message(FATAL_ERROR "${DESKTOP_ENTRY}: '${exec}' does not run ${PREFIX}/${BINDIR}/walkers")
    endif()
endif()

set(elsewhere ${STAGE}/elsewhere)
file(MAKE_DIRECTORY ${elsewhere})
set(run --frames 30 --click 2 --click 12 --state -)
run_or_fail(${bin}/walkers-snapshot ${run} WORKING_DIRECTORY ${elsewhere})
set(staged "${out}")
run_or_fail(${BUILT_SNAPSHOT} ${run} WORKING_DIRECTORY ${elsewhere})
if(NOT staged STREQUAL out)
    message(FATAL_ERROR "the staged walkers-snapshot drew other frames than the build's:\n"
                        "staged:\n${staged}\nbuilt:\n${out}")
endif()
string(REGEX MATCH "\"frame\":30,\"crc32\":\"[0-9a-f]+\"" last "${staged}")
list(JOIN run " " shown)
message(STATUS "staged and built walkers-snapshot ${shown}: 30 equal state lines; ${last}")
