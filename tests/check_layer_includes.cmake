# Fails when a source of a core layer, or of the front ends' library above it,
# includes a project header through a path relative to itself ("../x.h",
# "./x.h") or an absolute one, which the layers' include roots cannot see.
# Run with -DSOURCE_DIR=<repo>/src.
set(bad "")
foreach(layer geometry render assets scene frontend)
    file(GLOB files ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
    foreach(file ${files})
        file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"(\\.|/)")
        foreach(line ${lines})
            list(APPEND bad "${file}: ${line}")
        endforeach()
    endforeach()
endforeach()
if(bad)
    list(JOIN bad "\n" report)
    message(FATAL_ERROR "includes that bypass the layers:\n${report}")
endif()
