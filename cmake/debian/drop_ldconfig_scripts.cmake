# Run by CPack after it made the package. CPack's DEB generator adds maintainer scripts that call
# ldconfig whenever a shared object lies below /usr/lib, here the sound module in /usr/lib/vorlix,
# which is a private module that ldconfig does not look at. Debian runs ldconfig by a trigger
# anyway, and a package with a postrm stays known to dpkg after its removal. The package has no
# maintainer scripts of its own, so these are taken out again.
find_program(_dpkg_deb dpkg-deb REQUIRED)
foreach(_deb IN LISTS CPACK_PACKAGE_FILES)
  set(_tree "${_deb}.tree")
  file(REMOVE_RECURSE "${_tree}")
  execute_process(COMMAND ${_dpkg_deb} -R "${_deb}" "${_tree}" COMMAND_ERROR_IS_FATAL ANY)
  foreach(_script postinst postrm)
    set(_path "${_tree}/DEBIAN/${_script}")
    if(EXISTS "${_path}")
      file(STRINGS "${_path}" _lines REGEX "^[ \t]*[^#\n]")
      list(FILTER _lines EXCLUDE REGEX "^[ \t]*(set -e|ldconfig|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|fi)[ \t]*$")
      if(_lines)
        message(FATAL_ERROR "${_script} does more than call ldconfig: ${_lines}")
      endif()
      file(REMOVE "${_path}")
    endif()
  endforeach()
  execute_process(COMMAND ${_dpkg_deb} --root-owner-group -Zxz -b "${_tree}" "${_deb}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${_tree}")
endforeach()
