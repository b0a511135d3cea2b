# A manual page PAGE (roff source) and its PROGRAM: man renders the page without
# a warning (the check lintian makes), its NAME line names the program, and
# every long option that PROGRAM --help lists is documented in it.
cmake_minimum_required(VERSION 3.22)
find_program(MAN man)
if(NOT MAN)
    message("SKIPPED: man is not installed (scripts/deps.sh installs man-db)")
    return()
endif()

execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANROFFSEQ= MANWIDTH=80
            ${MAN} --warnings -E UTF-8 -l -Tutf8 -Z ${PAGE}
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE warnings)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "man ${PAGE}:\n${warnings}")
endif()

file(READ ${PAGE} page)
get_filename_component(name ${PROGRAM} NAME)
string(REPLACE "-" "\\-" roff_name ${name})
string(FIND "${page}" ".SH NAME\n${roff_name} \\- " at)
if(at EQUAL -1)
    message(FATAL_ERROR "${PAGE}: the NAME section does not begin with '${roff_name} \\- '")
endif()

execute_process(COMMAND ${PROGRAM} --help RESULT_VARIABLE status OUTPUT_VARIABLE help)
string(REGEX MATCHALL "--[a-z][a-z-]*" options "${help}")
if(NOT status EQUAL 0 OR NOT options)
    message(FATAL_ERROR "${name} --help exited with ${status} and listed no option:\n${help}")
endif()
list(REMOVE_DUPLICATES options)
set(undocumented "")
foreach(option ${options})
    string(REPLACE "-" "\\-" roff_option ${option})
    string(FIND "${page}" "${roff_option}" at)
    if(at EQUAL -1)
        list(APPEND undocumented ${option})
    endif()
endforeach()
if(undocumented)
    list(JOIN undocumented ", " undocumented)
    message(FATAL_ERROR "${PAGE} does not document ${undocumented}, which ${name} --help lists")
endif()
list(JOIN options ", " options)
message(STATUS "${name}: the page documents ${options}")
