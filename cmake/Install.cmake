# Installs the program the way its platform expects a desktop program: on
# freedesktop systems the binary with its icon, desktop entry and AppStream
# metainfo; on Windows an executable carrying its icon and version resource.

include(GNUInstallDirs)

set(ORVALET_HOMEPAGE https://orvalet.org)
set(ORVALET_RELEASE_DATE 2026-12-07)
set(ORVALET_COPYRIGHT "Copyright (C) ${ORVALET_COPYRIGHT_YEAR} ${ORVALET_HOLDER}")

# Every bitmap icon is rendered from the one logo drawing.
set(orvalet_logo ${CMAKE_CURRENT_SOURCE_DIR}/assets/logo.svg)
set(orvalet_icon_dir ${CMAKE_CURRENT_BINARY_DIR}/icons)

# orvalet_render_icon(OUTPUT SIZE...): a PNG of one size, or an .ico of several.
function(orvalet_render_icon output)
  get_filename_component(dir ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND render-icon ${orvalet_logo} ${output} ${ARGN}
    DEPENDS render-icon ${orvalet_logo}
    COMMENT "Rendering ${output}"
    VERBATIM)
endfunction()

install(TARGETS orvalet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The link map tells the notices and the SBOM what the link took in.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(ORVALET_MAP ${CMAKE_CURRENT_BINARY_DIR}/orvalet.map)
  target_link_options(orvalet PRIVATE -Wl,-Map=${ORVALET_MAP})
endif()
if(TARGET notices AND NOT CMAKE_CROSSCOMPILING)
  target_compile_definitions(notices PRIVATE ORVALET_COPYRIGHT="${ORVALET_COPYRIGHT}"
                                             ORVALET_HOLDER="${ORVALET_HOLDER}"
                                             ORVALET_HOMEPAGE="${ORVALET_HOMEPAGE}")
  target_include_directories(notices PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
endif()

if(UNIX AND NOT APPLE)
  set(orvalet_icon_sizes 32 256)
  set(orvalet_icon_pngs)
  foreach(size IN LISTS orvalet_icon_sizes)
    set(png ${orvalet_icon_dir}/${size}x${size}/${ORVALET_APP_ID}.png)
    orvalet_render_icon(${png} ${size})
    list(APPEND orvalet_icon_pngs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(icons ALL DEPENDS ${orvalet_icon_pngs})
  install(FILES ${orvalet_logo} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${ORVALET_APP_ID}.svg)

  set(ORVALET_DESKTOP_FILE ${CMAKE_CURRENT_BINARY_DIR}/${ORVALET_APP_ID}.desktop)
  set(ORVALET_METAINFO_FILE ${CMAKE_CURRENT_BINARY_DIR}/${ORVALET_APP_ID}.metainfo.xml)
  configure_file(packaging/orvalet.desktop.in ${ORVALET_DESKTOP_FILE} @ONLY)
  # AppStream before 1.0 (Debian 12) knows the developer only as <developer_name>:
  # a build there names it so, for that system's software centres and validator.
  set(metainfo_in ${CMAKE_CURRENT_SOURCE_DIR}/packaging/orvalet.metainfo.xml.in)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${metainfo_in})
  file(READ ${metainfo_in} metainfo)
  find_program(APPSTREAMCLI appstreamcli)
  if(APPSTREAMCLI)
    execute_process(COMMAND ${APPSTREAMCLI} --version OUTPUT_VARIABLE appstream_version)
    if(appstream_version MATCHES "version: 0\\.")
      string(REGEX REPLACE "<developer id=\"[^\"]*\">[ \n]*<name>([^<]*)</name>[ \n]*</developer>"
             "<developer_name>\\1</developer_name>" metainfo "${metainfo}")
    endif()
  endif()
  file(CONFIGURE OUTPUT ${ORVALET_METAINFO_FILE} CONTENT "${metainfo}" @ONLY)
  install(FILES ${ORVALET_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${ORVALET_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The manual page, and the changelog and copyright file in the package's own
  # documentation folder. The changelog is the program's own, so it is the
  # changelog.gz of a native Debian package. Both are compressed as Debian
  # wants: at most, with no name or time in the header, the same on every build.
  find_program(GZIP gzip REQUIRED)
  set(orvalet_manpage ${CMAKE_CURRENT_BINARY_DIR}/orvalet.1)
  set(orvalet_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog)
  configure_file(packaging/orvalet.1.in ${orvalet_manpage} @ONLY)
  configure_file(packaging/changelog ${orvalet_changelog} COPYONLY)
  add_custom_command(OUTPUT ${orvalet_manpage}.gz ${orvalet_changelog}.gz
    COMMAND ${GZIP} -9nkf ${orvalet_manpage} ${orvalet_changelog}
    DEPENDS ${orvalet_manpage} ${orvalet_changelog}
    COMMENT "Compressing the manual page and the changelog"
    VERBATIM)
  add_custom_target(documentation ALL DEPENDS ${orvalet_manpage}.gz ${orvalet_changelog}.gz)
  install(FILES ${orvalet_manpage}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(orvalet_docdir ${CMAKE_INSTALL_DATADIR}/doc/orvalet)
  install(FILES ${orvalet_changelog}.gz packaging/copyright DESTINATION ${orvalet_docdir})
endif()

if(WIN32)
  set(ORVALET_ICO ${orvalet_icon_dir}/orvalet.ico)
  orvalet_render_icon(${ORVALET_ICO} 16 24 32 48 256)
  configure_file(packaging/orvalet.rc.in ${CMAKE_CURRENT_BINARY_DIR}/orvalet.rc @ONLY)
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/orvalet.rc PROPERTIES
    OBJECT_DEPENDS ${ORVALET_ICO})
  target_sources(orvalet PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/orvalet.rc ${ORVALET_ICO})
  # A windowed program: no console window opens beside the bar. One file,
  # without symbols.
  set_target_properties(orvalet PROPERTIES WIN32_EXECUTABLE TRUE)
  target_link_options(orvalet PRIVATE -s)

  # What the program owes the parts it is built from, read off the link map
  # with the static Qt's record of its objects and its source's attributions.
  set(ORVALET_QT_SOURCE "" CACHE PATH "The source the static Qt was built from")
  if(ORVALET_QT_SOURCE)
    get_filename_component(qt_prefix "${Qt6_DIR}/../../.." ABSOLUTE)
    set(ORVALET_NOTICES ${CMAKE_CURRENT_BINARY_DIR}/NOTICES.txt)
    add_custom_command(OUTPUT ${ORVALET_NOTICES} ${CMAKE_CURRENT_BINARY_DIR}/orvalet.exe.spdx
      COMMAND notices exe ${ORVALET_MAP} $<TARGET_FILE:orvalet> ${qt_prefix}
              ${ORVALET_QT_SOURCE} ${CMAKE_CURRENT_BINARY_DIR}
      DEPENDS orvalet notices
      COMMENT "Writing the notices and the SBOM")
    add_custom_target(notices-and-sbom ALL DEPENDS ${ORVALET_NOTICES})
  endif()

  # The installer, made by `cmake --build . --target installer` with NSIS.
  find_program(MAKENSIS makensis)
  if(MAKENSIS AND ORVALET_NOTICES)
    set(ORVALET_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSES/GPL-3.0-or-later.txt)
    set(ORVALET_EXE $<TARGET_FILE:orvalet>)
    set(ORVALET_SETUP ${CMAKE_CURRENT_BINARY_DIR}/orvalet-${PROJECT_VERSION}-setup.exe)
    configure_file(packaging/orvalet.nsi.in ${CMAKE_CURRENT_BINARY_DIR}/orvalet.nsi.in @ONLY)
    file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/orvalet.nsi
         INPUT ${CMAKE_CURRENT_BINARY_DIR}/orvalet.nsi.in)
    add_custom_command(OUTPUT ${ORVALET_SETUP}
      COMMAND ${MAKENSIS} -V2 ${CMAKE_CURRENT_BINARY_DIR}/orvalet.nsi
      DEPENDS orvalet ${CMAKE_CURRENT_BINARY_DIR}/orvalet.nsi ${ORVALET_ICO} ${ORVALET_NOTICES}
              ${ORVALET_LICENSE}
      COMMENT "Making the installer")
    add_custom_target(installer DEPENDS ${ORVALET_SETUP})
  endif()
endif()
