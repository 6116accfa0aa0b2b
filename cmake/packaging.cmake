# What an installation needs besides the programs, the pictures and the desktop entry: the
# manual pages, the bash completion of vorlix-cli and the AppStream data; and the Debian package
# that CPack's DEB generator makes of the installation (scripts/package runs it).

# The date of the release named by the project's version (manual pages, AppStream, changelog).
set(VORLIX_RELEASE_DATE 2026-12-07)
set(VORLIX_HOMEPAGE https://vorlix.example.org)
set(VORLIX_MAINTAINER "The Vorlix developers <vorlix@example.org>")

# ---- manual pages: the version and date filled in, compressed without name and time stamp ----
set(VORLIX_MAN_DATE ${VORLIX_RELEASE_DATE})
find_program(VORLIX_GZIP gzip REQUIRED)
set(_man_pages)
foreach(_page vorlix vorlix-cli)
  set(_page_out ${CMAKE_BINARY_DIR}/man/${_page}.1)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${_page}.1.in ${_page_out} @ONLY)
  add_custom_command(OUTPUT ${_page_out}.gz
    COMMAND ${VORLIX_GZIP} -9 -n -k -f ${_page_out}
    DEPENDS ${_page_out}
    COMMENT "Compressing the manual page ${_page}.1" VERBATIM)
  list(APPEND _man_pages ${_page_out}.gz)
endforeach()
add_custom_target(vorlix_man_pages ALL DEPENDS ${_man_pages})
install(FILES ${_man_pages} DESTINATION share/man/man1)

# ---- bash completion, where bash-completion loads it on demand ----
install(FILES ${CMAKE_SOURCE_DIR}/resources/completion/vorlix-cli
        DESTINATION share/bash-completion/completions)

# ---- AppStream data, named like the desktop entry (resources/CMakeLists.txt) ----
set(_metainfo ${CMAKE_BINARY_DIR}/metainfo/${VORLIX_APP_ID}.metainfo.xml)
configure_file(${CMAKE_SOURCE_DIR}/resources/${VORLIX_APP_ID}.metainfo.xml.in ${_metainfo} @ONLY)
install(FILES ${_metainfo} DESTINATION share/metainfo)

# ---- the Debian package ----
# Debian's own files of the package (copyright, changelog, lintian overrides) go into the
# package only, not into every installation: they are added to CPack's staging tree before it
# is packed.
execute_process(COMMAND date -u -R -d "${VORLIX_RELEASE_DATE}"
  OUTPUT_VARIABLE VORLIX_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)
set(_debian ${CMAKE_BINARY_DIR}/debian-doc)
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/copyright ${_debian}/copyright COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/lintian-overrides ${_debian}/lintian-overrides COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${_debian}/changelog @ONLY)
set(VORLIX_DEBIAN_DOC_DIR ${_debian})
set(VORLIX_STRIP ${CMAKE_STRIP})
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/add_doc_files.cmake.in
  ${CMAKE_BINARY_DIR}/debian-add-doc-files.cmake @ONLY)

# libzip is loaded at run time by its SONAME, so dpkg-shlibdeps cannot see it: the package that
# holds the library, with the dependency its shlibs file gives, is added to Depends.
set(VORLIX_EXTRA_DEPENDS "")
find_package(PkgConfig REQUIRED)
pkg_check_modules(VORLIX_PACKAGED_LIBZIP QUIET libzip)
find_program(VORLIX_DPKG_QUERY dpkg-query)
if(VORLIX_DPKG_QUERY AND VORLIX_PACKAGED_LIBZIP_LINK_LIBRARIES)
  list(GET VORLIX_PACKAGED_LIBZIP_LINK_LIBRARIES 0 _zip_library)
  get_filename_component(_zip_library "${_zip_library}" REALPATH)
  execute_process(COMMAND ${VORLIX_DPKG_QUERY} -S "${_zip_library}"
    OUTPUT_VARIABLE _zip_owner RESULT_VARIABLE _zip_owner_result ERROR_QUIET)
  if(_zip_owner_result EQUAL 0 AND _zip_owner MATCHES "^([^:,]+)")
    set(VORLIX_EXTRA_DEPENDS ${CMAKE_MATCH_1})
    # shlibs: "<library> <SONAME version> <dependency>", e.g. "libzip 4 libzip4 (>= 1.7.3)".
    execute_process(COMMAND ${VORLIX_DPKG_QUERY} --control-show ${CMAKE_MATCH_1} shlibs
      OUTPUT_VARIABLE _zip_shlibs ERROR_QUIET)
    if(_zip_shlibs MATCHES "^[^ \n]+ [^ \n]+ ([^\n]+)")
      set(VORLIX_EXTRA_DEPENDS "${CMAKE_MATCH_1}")
    endif()
  endif()
endif()
if(NOT VORLIX_EXTRA_DEPENDS)
  message(WARNING "The Debian package of libzip was not found: the package will not depend on it")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vorlix developers")
set(CPACK_PACKAGE_CONTACT "${VORLIX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "map manager for Quake III Arena")
set(CPACK_PACKAGE_DESCRIPTION
  "Vorlix reads the pk3 archives of a Quake III Arena installation, or of
a game of its family such as OpenArena, into a map database with each
map's title and levelshot. Maps are sorted into a tree of groups, keep
properties of their own (player counts, rating, comment, MODs, game
types, limits, bots) and are launched with them. From a group Vorlix
writes arena files that make the game's own menu list just those maps.
.
The package holds the window program vorlix and the command-line program
vorlix-cli, their manual pages and the bash completion of vorlix-cli.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VORLIX_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VORLIX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${VORLIX_EXTRA_DEPENDS}")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "openarena-data, openarena")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The install rules see the final prefix (the desktop entry names /usr/bin/vorlix).
set(CPACK_SET_DESTDIR ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_BINARY_DIR}/debian-add-doc-files.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian/drop_ldconfig_scripts.cmake)
include(CPack)
