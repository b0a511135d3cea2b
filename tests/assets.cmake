# The data-folder test reads the generated folder, so building it builds the data.
if(TARGET walkers-data AND TARGET test_data_folder)
    add_dependencies(test_data_folder walkers-data)
endif()

# The generator itself: two runs give byte-identical folders holding exactly the
# files the build expects, and a design over budget is refused without writing.
add_test(NAME assetgen_output_is_reproducible_and_budget_is_enforced
    COMMAND ${CMAKE_COMMAND}
        -DGENERATOR=$<TARGET_FILE:walkers-assetgen>
        -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/assetgen-check
        "-DEXPECTED_FILES=${WALKERS_DATA_FILES}"
        -P ${CMAKE_SOURCE_DIR}/tools/assetgen/check_data_folder.cmake)
