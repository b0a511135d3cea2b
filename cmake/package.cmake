# The Debian package, made by CPack's DEB generator (scripts/package.sh builds
# it): walkers_<version>_<arch>.deb holding what the install rules put under
# /usr. Its dependencies are read from the shared libraries the programs link
# (dpkg-shlibdeps), not written here.
set(WALKERS_MAINTAINER "walkers developers <walkers@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME walkers)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT ${WALKERS_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3D demo drawn by its own fixed-point software renderer")
set(CPACK_PACKAGE_DESCRIPTION [=[
Nine animated, low-polygon, textured walkers stroll over a floor in one
desktop window; a left click sends one of them out to the front and back.
Every pixel comes from the program's own renderer: all geometry is integer
fixed-point arithmetic, pixels are 15-bit colour in an off-screen picture,
and frames are exact, the same on every machine.
.
The package holds the desktop demo (walkers), a tool that renders any frame
of any run without a window (walkers-snapshot), the generator of the demo's
assets (walkers-assetgen), an importer that makes a model from the common 3D
formats (glTF, FBX, Collada, OBJ, MD2, BVH, ...) into walkers of one's own
(walkers-import), and a checker that explains every problem in an asset
folder (walkers-check).]=])
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides RENAME walkers
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
include(CPack)
