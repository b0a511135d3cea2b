# The installed layout (GNUInstallDirs): programs in bin, the data folder in
# share/walkers/data, manual pages in share/man/man1, the README, the licence
# and the changelog in share/doc/walkers. Included by the top-level CMakeLists.

# Manual pages are installed compressed with gzip -9n: smallest, and with no
# name or time stamp in the header, so every build gives the same bytes.
find_program(WALKERS_GZIP gzip REQUIRED)
set(WALKERS_MAN_DIR ${CMAKE_BINARY_DIR}/man)

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
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${WALKERS_GZIP} -9n -c ${page} > ${page}.gz
        DEPENDS ${page}
        COMMENT "Compressing the manual page ${target}.1"
        VERBATIM)
    add_custom_target(${target}-man ALL DEPENDS ${page}.gz)

    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    set_property(GLOBAL APPEND PROPERTY WALKERS_PROGRAMS ${target})
endfunction()

install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs DESTINATION ${CMAKE_INSTALL_DOCDIR})
