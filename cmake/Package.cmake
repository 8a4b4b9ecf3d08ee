# `cpack -G DEB` from a Release build: korvane_<version>_amd64.deb, library dependencies
# computed by dpkg-shlibdeps (Debian dpkg-dev), a General MIDI SoundFont recommended.
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Korvane developers")
set(CPACK_PACKAGE_CONTACT "Korvane developers <korvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MIDI pad instrument")
set(CPACK_PACKAGE_DESCRIPTION
    "One always-on-top window whose pad plays the note of the cell under the pointer (column = note,\nrow = velocity), re-struck at a chosen length while the button is held, with a gate\narpeggiator. Plays through its built-in FluidSynth synthesizer or into other programs on\nJACK and ALSA.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fluid-soundfont-gm | timgm6mb-soundfont")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "jackd2, qjackctl")
include(CPack)
