# Install layout (GNUInstallDirs): the program in bin/, its side files in share/tavrin/, the
# desktop entry with its D-Bus service, the icons, the AppStream metadata, the manual page and
# the copyright notice.
include(GNUInstallDirs)

# The installed program finds its side files by this path from its own folder.
file(RELATIVE_PATH TAVRIN_DATA_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATADIR}/tavrin")
set_property(SOURCE platform/ProgramFolder.cpp APPEND PROPERTY
  COMPILE_DEFINITIONS "TAVRIN_DATA_FROM_BIN=\"${TAVRIN_DATA_FROM_BIN}\"")

set(TAVRIN_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(TAVRIN_APP_ID org.example.tavrin)

install(TARGETS tavrin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The FFmpeg adapters, loaded by the program when it first reads a file or writes WMA.
install(TARGETS tavrin_ffmpeg LIBRARY DESTINATION ${TAVRIN_MODULE_DIR})
file(GLOB TAVRIN_INSTALLED_SIDE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/side/*)
install(FILES ${TAVRIN_INSTALLED_SIDE_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/tavrin)

install(FILES ${TAVRIN_PACKAGING}/${TAVRIN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TAVRIN_PACKAGING}/${TAVRIN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The session bus starts the installed program by the desktop entry's id. Its path is known
# only when installing (a package and `cmake --install --prefix` choose the prefix then).
install(CODE "
  set(TAVRIN_INSTALLED_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tavrin\")
  configure_file(\"${TAVRIN_PACKAGING}/${TAVRIN_APP_ID}.service.in\"
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dbus-1/services/${TAVRIN_APP_ID}.service\" @ONLY)
")
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/app/tavrin-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tavrin.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/app/tavrin.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page and the change log go in compressed, as the system's own do.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(TAVRIN_COMPRESSED)
foreach(pair "tavrin.1;tavrin.1.gz" "changelog;changelog.gz")
  list(GET pair 0 source)
  list(GET pair 1 target)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${GZIP_PROGRAM} -9nc ${TAVRIN_PACKAGING}/${source} > ${CMAKE_BINARY_DIR}/packaging/${target}
    DEPENDS ${TAVRIN_PACKAGING}/${source} VERBATIM)
  list(APPEND TAVRIN_COMPRESSED ${CMAKE_BINARY_DIR}/packaging/${target})
endforeach()
add_custom_target(tavrin_compressed_docs ALL DEPENDS ${TAVRIN_COMPRESSED})
install(FILES ${CMAKE_BINARY_DIR}/packaging/tavrin.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TAVRIN_PACKAGING}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrin)
