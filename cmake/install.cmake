# The installed layout (GNUInstallDirs): programs in bin, the data folder in
# share/walkers/data, manual pages in share/man/man1, the README, the licence
# and the changelog in share/doc/walkers. Included by the top-level CMakeLists.

# Manual pages and the changelog are installed compressed with gzip -9n:
# smallest, and no name or time stamp in the header, so every build gives the
# same bytes.
find_program(WALKERS_GZIP gzip REQUIRED)
set(WALKERS_MAN_DIR ${CMAKE_BINARY_DIR}/man)

# walkers_gzip(<target> <file>): the target <target>, built by default, makes
# <file>.gz from <file>.
function(walkers_gzip target file)
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${file}.gz
        COMMAND ${WALKERS_GZIP} -9n -c ${file} > ${file}.gz
        DEPENDS ${file}
        COMMENT "Compressing ${name}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${file}.gz)
endfunction()

# walkers_install_program(<target>): installs the program <target> into bin,
# with its manual page: <target>.1.in beside the calling CMakeLists.txt, its
# @VARIABLES@ (the version, the install paths) filled in at configure time.
# Every program installed this way is listed in the global property
# WALKERS_PROGRAMS, for the tests that check each one.
function(walkers_install_program target)
    set(template ${CMAKE_CURRENT_SOURCE_DIR}/${target}.1.in)
    if(NOT EXISTS ${template})
        message(FATAL_ERROR "${target} is installed without a manual page: write ${template}")
    endif()
    set(page ${WALKERS_MAN_DIR}/${target}.1)
    configure_file(${template} ${page} @ONLY)
    walkers_gzip(${target}-man ${page})

    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    set_property(GLOBAL APPEND PROPERTY WALKERS_PROGRAMS ${target})
endfunction()

install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The licence under the name Debian gives it.
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

# The changelog, in Debian's format; its newest entry must be this version.
set(changelog ${CMAKE_SOURCE_DIR}/packaging/changelog)
file(STRINGS ${changelog} newest_entry LIMIT_COUNT 1)
if(NOT newest_entry MATCHES "^walkers \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "${changelog} begins with '${newest_entry}': add an entry for "
                        "walkers ${PROJECT_VERSION} at its top")
endif()
configure_file(${changelog} ${CMAKE_BINARY_DIR}/changelog COPYONLY)
walkers_gzip(walkers-changelog ${CMAKE_BINARY_DIR}/changelog)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs DESTINATION ${CMAKE_INSTALL_DOCDIR})
