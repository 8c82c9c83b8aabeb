# Run by CPack after it makes a package. CPack's Installed-Size sums the sizes
# the file system reports, a directory's among them, which differ from one file
# system to another (4 KiB on ext4, some bytes on tmpfs): this sets it as dpkg
# counts it, a file's size in KiB rounded up and 1 KiB for each directory, and
# makes the package again with dpkg-deb, whose archive keeps CPack's file times.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  find_program(DPKG_DEB dpkg-deb)
  if(NOT DPKG_DEB)
    message(WARNING "No dpkg-deb: ${deb} keeps the Installed-Size of this file system")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND ${DPKG_DEB} --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${tree} ${tree}/*)
  list(FILTER entries EXCLUDE REGEX "^DEBIAN(/|$)")
  set(kib 1) # the top directory
  foreach(entry IN LISTS entries)
    if(IS_DIRECTORY ${tree}/${entry} OR IS_SYMLINK ${tree}/${entry})
      math(EXPR kib "${kib} + 1")
    else()
      file(SIZE ${tree}/${entry} bytes)
      math(EXPR kib "${kib} + (${bytes} + 1023) / 1024")
    endif()
  endforeach()
  file(READ ${tree}/DEBIAN/control control)
  string(REGEX REPLACE "\nInstalled-Size: [0-9]+" "\nInstalled-Size: ${kib}" control "${control}")
  file(WRITE ${tree}/DEBIAN/control "${control}")
  execute_process(COMMAND ${DPKG_DEB} --root-owner-group -Zgzip -z9 --build ${tree} ${deb}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
