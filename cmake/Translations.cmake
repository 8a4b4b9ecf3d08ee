# The window's English texts: translations/*.ts compiled by Qt's lrelease (Debian qt6-l10n-tools),
# built into the program and installed beside it.
find_program(KORVANE_LRELEASE lrelease HINTS /usr/lib/qt6/bin REQUIRED)

set(KORVANE_QM ${CMAKE_CURRENT_BINARY_DIR}/i18n/korvane_en.qm)
add_custom_command(OUTPUT ${KORVANE_QM}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/i18n
  COMMAND ${KORVANE_LRELEASE} -silent ${CMAKE_CURRENT_SOURCE_DIR}/translations/korvane_en.ts
          -qm ${KORVANE_QM}
  DEPENDS translations/korvane_en.ts VERBATIM)
qt_add_resources(korvane_app korvane_translations PREFIX /i18n
                 BASE ${CMAKE_CURRENT_BINARY_DIR}/i18n FILES ${KORVANE_QM})
install(FILES ${KORVANE_QM} DESTINATION ${CMAKE_INSTALL_DATADIR}/korvane/translations)
