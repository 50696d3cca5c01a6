# What `cmake --install` puts in place and what `cpack -G DEB` packs.

install(TARGETS hmzres RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY share/hmzres/hilfe DESTINATION ${CMAKE_INSTALL_DATADIR}/hmzres)
install(FILES share/applications/hmzres.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES share/bash-completion/hmzres DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The man page is made from the program's own --help texts, so it follows them.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  add_custom_command(
    OUTPUT hmzres.1
    COMMAND ${CMAKE_COMMAND} -DHMZRES=$<TARGET_FILE:hmzres> -DHELP2MAN=${HELP2MAN}
            -DVERSION=${PROJECT_VERSION} -DZIEL=${CMAKE_CURRENT_BINARY_DIR}/hmzres.1
            -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/manpage.cmake
    DEPENDS hmzres ${CMAKE_CURRENT_SOURCE_DIR}/cmake/manpage.cmake
    COMMENT "man page hmzres.1")
  add_custom_command(OUTPUT hmzres.1.gz COMMAND gzip -9nf -k hmzres.1 DEPENDS hmzres.1)
  add_custom_target(manpage ALL DEPENDS hmzres.1.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/hmzres.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man not found: no man page (scripts/setup-debian installs it)")
endif()

set(CPACK_PACKAGE_NAME hmzres)
set(CPACK_PACKAGE_VENDOR "hmzres")
set(CPACK_PACKAGE_CONTACT "hmzres <hmzres@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Hauptmietzinsreserve-Abrechnung für Hausverwaltungen")
set(CPACK_PACKAGE_DESCRIPTION "Druckt die jährliche Abrechnung der Hauptmietzinsreserve je Objekt\n\
aus einer Mandantendatenbank (Datei oder PostgreSQL), mit Laufdialog und Befehlszeile.")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What shlibdeps cannot see: the statements' font and Qt's German dialogs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
