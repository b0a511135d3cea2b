# The programs' bad usage and failures (test_tools) run the built programs: give
# it their paths and build them first. The desktop program takes part when built.
if(TARGET test_tools)
    target_compile_definitions(test_tools PRIVATE
        WALKERS_SNAPSHOT_EXE="$<TARGET_FILE:walkers-snapshot>"
        WALKERS_CHECK_EXE="$<TARGET_FILE:walkers-check>"
        WALKERS_ASSETGEN_EXE="$<TARGET_FILE:walkers-assetgen>"
        WALKERS_IMPORT_EXE="$<TARGET_FILE:walkers-import>"
        WALKERS_LSAN_SUPPRESSIONS="${CMAKE_SOURCE_DIR}/tests/lsan.supp")
    add_dependencies(test_tools walkers-snapshot walkers-check walkers-assetgen walkers-import)
    if(TARGET walkers-data)
        add_dependencies(test_tools walkers-data)
    endif()
    if(TARGET walkers)
        target_compile_definitions(test_tools PRIVATE WALKERS_EXE="$<TARGET_FILE:walkers>")
        add_dependencies(test_tools walkers)
    endif()
endif()
