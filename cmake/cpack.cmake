# The Debian package, made by `cpack` in a build configured with the prefix
# /usr (scripts/package.sh): everything `cmake --install` puts there, and the
# files Debian adds (cmake/deb-staging.cmake).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VENDOR "the facemeld authors")
# A maintainer with a real address may set this when configuring.
set(FACEMELD_MAINTAINER "the facemeld authors <facemeld@example.org>" CACHE STRING
  "Maintainer of the Debian package: name <address>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FACEMELD_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "join pairs of triangles of Wavefront .obj meshes into quads")
set(CPACK_PACKAGE_DESCRIPTION "facemeld copies a Wavefront .obj mesh and, while copying, joins pairs of
triangles that share an edge and lie (nearly) in one plane into four-sided
faces, so the file gets smaller. Every other line is copied as it stands.
It streams files of any size on every core.
.
This package holds the program, with its menu and its command line, and the
engine as a static library for C++ programs, with its header, a CMake
package and a pkg-config file.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb-staging.cmake)
set(CPACK_FACEMELD_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_FACEMELD_STRIP ${CMAKE_STRIP})
include(CPack)
