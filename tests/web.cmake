# The browser version: the Emscripten build (page and core suites) as a fixture,
# the core suites under node, the page in headless Chromium, and the page's
# frame pacing. Each test exits 77, reported as skipped, when what it needs is
# missing: em++ for the build, Chromium and puppeteer-core for the page
# (scripts/deps.sh --web installs them all).
set(WALKERS_WEB_BUILD_DIR ${CMAKE_BINARY_DIR}/web)
find_program(WALKERS_NODE node)

add_test(NAME web_build
    COMMAND ${CMAKE_SOURCE_DIR}/web/build.sh ${WALKERS_WEB_BUILD_DIR} ${WALKERS_DATA_DIR})
set_tests_properties(web_build PROPERTIES
    FIXTURES_SETUP web_site SKIP_RETURN_CODE 77 TIMEOUT 1800 RUN_SERIAL TRUE)

add_test(NAME web_core_suites_under_node
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/web/run_node_suites.sh ${CMAKE_CTEST_COMMAND}
            ${WALKERS_WEB_BUILD_DIR})
set_tests_properties(web_core_suites_under_node PROPERTIES
    FIXTURES_REQUIRED web_site SKIP_RETURN_CODE 77 TIMEOUT 600)

if(WALKERS_NODE AND TARGET walkers-snapshot AND TARGET walkers-check)
    add_test(NAME web_page_in_chromium
        COMMAND ${WALKERS_NODE} ${CMAKE_CURRENT_SOURCE_DIR}/web/browser_test.mjs
                --site ${WALKERS_WEB_BUILD_DIR}/site --snapshot $<TARGET_FILE:walkers-snapshot>
                --check $<TARGET_FILE:walkers-check> --data ${WALKERS_DATA_DIR})
    set_tests_properties(web_page_in_chromium PROPERTIES
        FIXTURES_REQUIRED web_site SKIP_RETURN_CODE 77 TIMEOUT 600)
    add_test(NAME web_frame_pacing
        COMMAND ${WALKERS_NODE} --test ${CMAKE_CURRENT_SOURCE_DIR}/web/pacer.test.mjs)
endif()
