# walkers-check's tests drive the check library in process and run the built
# tool for its output and exit status, on folders made from the generated one.
if(TARGET test_check AND TARGET walkers-check)
    target_link_libraries(test_check PRIVATE walkers_check)
    target_compile_definitions(test_check PRIVATE WALKERS_CHECK_EXE="$<TARGET_FILE:walkers-check>"
                               WALKERS_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    add_dependencies(test_check walkers-check)
    if(TARGET walkers-data)
        add_dependencies(test_check walkers-data)
    endif()
endif()
