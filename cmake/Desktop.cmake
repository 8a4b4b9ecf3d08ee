# Desktop integration: icons (PNGs rendered from data/korvane.svg), the window icon built into
# the program, and what `cmake --install` puts in place.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)  # Debian librsvg2-bin

set(KORVANE_ICON_SIZES 16 24 32 48 64 128 256)
set(KORVANE_ICON_PNGS)
foreach(size ${KORVANE_ICON_SIZES})
  set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${CMAKE_CURRENT_SOURCE_DIR}/data/korvane.svg
    DEPENDS data/korvane.svg VERBATIM)
  list(APPEND KORVANE_ICON_PNGS ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME korvane.png)
endforeach()
qt_add_resources(korvane korvane_icons PREFIX /icons BASE ${CMAKE_CURRENT_BINARY_DIR}/icons
                 FILES ${KORVANE_ICON_PNGS})

install(TARGETS korvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/korvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/korvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/org.korvane.Korvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian installs manual pages compressed.
set(KORVANE_MAN ${CMAKE_CURRENT_BINARY_DIR}/man/korvane.1)
add_custom_command(OUTPUT ${KORVANE_MAN}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/data/korvane.1 ${KORVANE_MAN}
  COMMAND gzip -9nf ${KORVANE_MAN}
  DEPENDS data/korvane.1 VERBATIM)
add_custom_target(korvane_man ALL DEPENDS ${KORVANE_MAN}.gz)
install(FILES ${KORVANE_MAN}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
