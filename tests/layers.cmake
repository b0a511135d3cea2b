# Layer boundaries: a source of a lower layer that includes a header of the
# layer above must not build (the front ends' library stands above the scene). Each probe is one line compiled with exactly the
# include path of its layer's library; the test passes only when the compiler
# stops because it cannot find the higher layer's header.
set(WALKERS_LAYER_PROBES
    "geometry:render/store.h"
    "render:assets/model.h"
    "assets:scene/scene.h"
    "scene:frontend/snapshot.h")
foreach(probe ${WALKERS_LAYER_PROBES})
    string(REPLACE ":" ";" parts ${probe})
    list(GET parts 0 layer)
    list(GET parts 1 header)
    set(source ${CMAKE_CURRENT_BINARY_DIR}/layer_probes/${layer}_includes_above.cpp)
    file(CONFIGURE OUTPUT ${source} CONTENT "#include \"${header}\"\n")
    add_library(layer_probe_${layer} OBJECT EXCLUDE_FROM_ALL ${source})
    target_include_directories(layer_probe_${layer} PRIVATE
        $<TARGET_PROPERTY:walkers_${layer},INTERFACE_INCLUDE_DIRECTORIES>)
    string(REPLACE "." "\\." header_pattern ${header})
    string(REGEX REPLACE "/.*" "" layer_above ${header})
    set(test layers_${layer}_cannot_include_${layer_above})
    add_test(NAME ${test}
             COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target layer_probe_${layer})
    set_tests_properties(${test} PROPERTIES
        RUN_SERIAL TRUE
        PASS_REGULAR_EXPRESSION "${header_pattern}[^\n]*(No such file|not found)")
endforeach()

# The one way around the include roots is a path relative to the including file
# ("../scene/scene.h"): no source of the core or the front ends' library may
# spell an include that way.
add_test(NAME layers_includes_name_their_layer
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/src
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/check_layer_includes.cmake)
