# The end-to-end snapshot test runs the built tool: give it the binary's path
# and make sure the tool is built first.
if(TARGET test_snapshot AND TARGET walkers-snapshot)
    target_compile_definitions(test_snapshot
                               PRIVATE WALKERS_SNAPSHOT_EXE="$<TARGET_FILE:walkers-snapshot>")
    add_dependencies(test_snapshot walkers-snapshot)
endif()
