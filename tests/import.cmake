# walkers-import's tests drive the importer's library in process and run the
# built tool for its exit status and lines. The real models of Debian's
# assimp-testmodels are optional: a test that needs one says it is skipped.
if(TARGET test_import AND TARGET walkers-import)
    target_link_libraries(test_import PRIVATE walkers_import)
    target_compile_definitions(test_import PRIVATE
        WALKERS_IMPORT_EXE="$<TARGET_FILE:walkers-import>"
        WALKERS_SNAPSHOT_EXE="$<TARGET_FILE:walkers-snapshot>"
        WALKERS_CHECK_EXE="$<TARGET_FILE:walkers-check>"
        WALKERS_TEST_MODELS="/usr/share/assimp/models")
    add_dependencies(test_import walkers-import walkers-snapshot walkers-check)
endif()
