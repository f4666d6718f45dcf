# Run by cpack on the package's files before it packs them: adds what Debian
# expects of a package and `cmake --install` does not write.
# - usr/share/doc/facemeld/copyright: LICENSE, in Debian's machine-readable
#   form;
# - usr/share/doc/facemeld/changelog.gz: CHANGELOG.md in the form of
#   Debian's changelog (the version has no Debian revision, so this is the
#   package's one changelog);
# - the manual page and the changelog compressed as Debian wants them (gzip
#   -9n: no name or time stamp inside, so the same files give the same
#   package); the program and the library stripped as Debian strips its
#   own (dh_strip's options).
set(root ${CPACK_TEMPORARY_DIRECTORY})
set(doc ${root}/usr/share/doc/facemeld)
file(MAKE_DIRECTORY ${doc})

file(READ ${CPACK_FACEMELD_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)\n\n(.*[^\n])" found "${license}")
if(NOT found)
  message(FATAL_ERROR "LICENSE: no copyright line followed by the licence's terms")
endif()
string(REPLACE "\n\n" "\n.\n" terms "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " terms "${terms}")
file(WRITE ${doc}/copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: facemeld

Files: *
Copyright: ${CMAKE_MATCH_1}
License: Expat
 ${terms}
")

execute_process(COMMAND awk -v "maintainer=${CPACK_DEBIAN_PACKAGE_MAINTAINER}"
    -f ${CPACK_FACEMELD_SOURCE_DIR}/cmake/changelog.awk ${CPACK_FACEMELD_SOURCE_DIR}/CHANGELOG.md
  OUTPUT_FILE ${doc}/changelog COMMAND_ERROR_IS_FATAL ANY)

file(GLOB pages ${root}/usr/share/man/man*/*)
execute_process(COMMAND gzip -9nf ${doc}/changelog ${pages} COMMAND_ERROR_IS_FATAL ANY)
# Stripped as Debian strips its packages' files.
file(GLOB programs ${root}/usr/bin/*)
execute_process(COMMAND ${CPACK_FACEMELD_STRIP} --remove-section=.comment --remove-section=.note
    --strip-unneeded ${programs} COMMAND_ERROR_IS_FATAL ANY)
file(GLOB_RECURSE archives ${root}/*.a)
execute_process(COMMAND ${CPACK_FACEMELD_STRIP} --strip-debug --remove-section=.comment
    --remove-section=.note --enable-deterministic-archives ${archives} COMMAND_ERROR_IS_FATAL ANY)
