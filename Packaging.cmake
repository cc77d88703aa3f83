# cpack -G DEB: a Debian package whose library dependencies dpkg-shlibdeps computes.
set(CPACK_PACKAGE_NAME zelvane)
set(CPACK_PACKAGE_VENDOR "Zelvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Drive a PC's parallel port pin by pin as digital I/O")
set(CPACK_PACKAGE_CONTACT "Zelvane developers <zelvane@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The design font and Qt's own Chinese texts, which no library dependency brings in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming, qt6-translations-l10n")
set(CPACK_PACKAGE_DESCRIPTION "Zelvane shows the 25-pin connector of the first parallel port with an \
indicator under each pin: click a data or control pin to switch it, read the status and control \
pins back, or watch the inputs live. zelvanectl drives the same pins from scripts. Both reach any \
parallel port through ppdev (/dev/parportN, lp group) or, with CAP_SYS_RAWIO, by direct register I/O.")
set(CPACK_STRIP_FILES ON)
# libzelvane.so.1 beside the programs: its shlibs file and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The Python package beside Debian's own modules; there it finds the library by its soname.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/zelvane DESTINATION lib/python3/dist-packages
        PATTERN __pycache__ EXCLUDE)
include(CPack)
