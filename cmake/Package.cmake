# The Debian package (CPack DEB): `scripts/package.sh` builds it. Its dependencies come from
# dpkg-shlibdeps (Qt's X11 platform plugin is part of libqt6gui6); recommended are the ALSA
# plugins that reach a sound server through the "pulse" and "default" devices, xdg-utils,
# which opens the help and the web links, and Qt's Wayland platform plugin, with which the
# program runs natively on a Wayland desktop.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VENDOR "The Tavrin developers")
set(CPACK_PACKAGE_CONTACT "The Tavrin developers <support@tavrin.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sound recorder for MP3, WAV, WMA, FLAC and Opus files")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tavrin records whatever the chosen sound-card input delivers into an MP3,\n"
  "WAV, WMA, FLAC or Opus file, plays recorded or opened files back, shows the\n"
  "level of both channels and a live spectrum of the signal, and edits the tags\n"
  "of a file. While it records it keeps the computer from going to sleep and\n"
  "stops by itself before the disk is full.\n"
  "It sets the output format, an automatic stop, the cutting of long recordings\n"
  "into pieces, the input and output device and their mixer lines, a record\n"
  "filter and a playback equaliser. Its user interface is in Russian.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavrin.example.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libasound2-plugins, xdg-utils, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
