# The Debian package (cpack -G DEB, or ./build.sh package): the installed tree under /usr, with the
# dependencies dpkg-shlibdeps finds for every program and library in it.
set(CPACK_PACKAGE_NAME tavilune)
set(CPACK_PACKAGE_VENDOR "Tavilune")
set(CPACK_PACKAGE_CONTACT "Tavilune developers <tavilune@example.org>" CACHE STRING "Package maintainer")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "internet radio and TV player with a sound recorder")
set(CPACK_PACKAGE_DESCRIPTION
    "Tavilune plays internet radio stations and TV channels picked from lists of
station pages, with a favourites menu and an icon in the notification area.
It records the sound card's input with live effects, level meters and a
spectrum, and converts WAV files to MP3 with LAME. Its interface is in French.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TAVILUNE_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The program's own libraries are found in its folder through the $ORIGIN run path.
# Qt's own buttons in French. The starter archive needs only essential tools (sh, tar, gzip,
# base64).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# Qt's Wayland platform, loaded at run time on Wayland desktops (the default of Debian's desktops);
# dpkg-shlibdeps adds it to what it finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pavucontrol")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
