# The install: a DESTDIR staging folder under a prefix other than /usr/local,
# checked file by file and run from elsewhere; the desktop entry, the icons and
# the manual pages. (The package and lintian are scripts/package.sh's.)
get_property(WALKERS_PROGRAMS GLOBAL PROPERTY WALKERS_PROGRAMS)
set(WALKERS_STAGE ${CMAKE_CURRENT_BINARY_DIR}/install-stage)
set(WALKERS_STAGED_PREFIX /opt/walkers-staged)
set(WALKERS_TOOL_ENV
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
set(desktop_entry ${CMAKE_INSTALL_DATADIR}/applications/walkers.desktop)

# What the install must hold, relative to the prefix.
set(installed_files
    ${CMAKE_INSTALL_DOCDIR}/README.md ${CMAKE_INSTALL_DOCDIR}/copyright
    ${CMAKE_INSTALL_DOCDIR}/changelog.gz ${CMAKE_INSTALL_DOCDIR}/docs/assets.md)
foreach(program ${WALKERS_PROGRAMS})
    list(APPEND installed_files ${CMAKE_INSTALL_BINDIR}/${program}
         ${CMAKE_INSTALL_MANDIR}/man1/${program}.1.gz)
endforeach()
foreach(file ${WALKERS_DATA_FILES})
    list(APPEND installed_files ${WALKERS_INSTALL_DATA_DIR}/${file})
endforeach()
set(desktop_arg "")
if(TARGET walkers)
    list(APPEND installed_files ${desktop_entry})
    foreach(size ${WALKERS_ICON_SIZES})
        list(APPEND installed_files
             ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps/walkers.png)
    endforeach()
    set(desktop_arg -DDESKTOP_ENTRY=${desktop_entry})
endif()

add_test(NAME install_staged_holds_the_layout_and_draws_the_same_frames
    COMMAND ${CMAKE_COMMAND}
        -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSTAGE=${WALKERS_STAGE} -DPREFIX=${WALKERS_STAGED_PREFIX}
        -DBINDIR=${CMAKE_INSTALL_BINDIR} -DBUILT_SNAPSHOT=$<TARGET_FILE:walkers-snapshot>
        -DVERSION=${PROJECT_VERSION} "-DPROGRAMS=${WALKERS_PROGRAMS}"
        "-DFILES=${installed_files}" ${desktop_arg}
        -P ${CMAKE_CURRENT_SOURCE_DIR}/install/check_install.cmake)
set_tests_properties(install_staged_holds_the_layout_and_draws_the_same_frames PROPERTIES
    FIXTURES_SETUP walkers_staged ENVIRONMENT "${WALKERS_TOOL_ENV}" TIMEOUT 300)

if(TARGET walkers)
    # The entry as installed, by the freedesktop.org validator when it is there.
    find_program(WALKERS_DESKTOP_FILE_VALIDATE desktop-file-validate)
    if(WALKERS_DESKTOP_FILE_VALIDATE)
        add_test(NAME install_desktop_entry_validates
            COMMAND ${WALKERS_DESKTOP_FILE_VALIDATE}
                    ${WALKERS_STAGE}${WALKERS_STAGED_PREFIX}/${desktop_entry})
    else()
        add_test(NAME install_desktop_entry_validates COMMAND ${CMAKE_COMMAND} -E echo
            "SKIPPED: desktop-file-validate is not installed (scripts/deps.sh installs it)")
    endif()
    set_tests_properties(install_desktop_entry_validates PROPERTIES
        FIXTURES_REQUIRED walkers_staged SKIP_REGULAR_EXPRESSION "SKIPPED:")

    add_test(NAME install_icons_are_pngs_of_their_sizes
        COMMAND ${CMAKE_COMMAND} -DICON_DIR=${WALKERS_ICON_DIR} "-DSIZES=${WALKERS_ICON_SIZES}"
                -P ${CMAKE_CURRENT_SOURCE_DIR}/install/check_icons.cmake)
    set_tests_properties(install_icons_are_pngs_of_their_sizes PROPERTIES
        SKIP_REGULAR_EXPRESSION "SKIPPED:")
endif()

# Each program's manual page renders without a warning and documents every
# option its --help lists.
foreach(program ${WALKERS_PROGRAMS})
    add_test(NAME install_man_page_${program}
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}>
                -DPAGE=${WALKERS_MAN_DIR}/${program}.1
                -P ${CMAKE_CURRENT_SOURCE_DIR}/install/check_man_page.cmake)
    set_tests_properties(install_man_page_${program} PROPERTIES
        ENVIRONMENT "${WALKERS_TOOL_ENV}" SKIP_REGULAR_EXPRESSION "SKIPPED:")
endforeach()
