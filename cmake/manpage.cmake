# hmzres.1 from `hmzres --help`, each command's --help and `hmzres --version`.
# A binary without --version still gets a page, with the project's version.
execute_process(COMMAND ${HMZRES} --version RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
set(versionsart "--version-option=--version")
if(NOT rc EQUAL 0)
  set(versionsart "--version-string=${VERSION}")
endif()

# Help texts are laid out by hand: keep their lines as they are.
function(vorformatiert text ergebnis)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${ergebnis} ".nf\n${text}.fi\n" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${HMZRES} --help OUTPUT_VARIABLE uebersicht COMMAND_ERROR_IS_FATAL ANY)
set(befehle "")
string(REPLACE "\n" ";" zeilen "${uebersicht}")
foreach(zeile IN LISTS zeilen)
  if(zeile MATCHES "^  ([a-z][a-z-]*)( |$)")
    list(APPEND befehle ${CMAKE_MATCH_1})
  endif()
endforeach()

set(text "[BEFEHLE]\n")
foreach(befehl IN LISTS befehle)
  execute_process(COMMAND ${HMZRES} ${befehl} --help OUTPUT_VARIABLE hilfe COMMAND_ERROR_IS_FATAL ANY)
  vorformatiert("${hilfe}" hilfe)
  string(APPEND text ".SS ${befehl}\n${hilfe}")
endforeach()
file(WRITE ${ZIEL}.include "${text}")

execute_process(
  COMMAND ${HELP2MAN} --locale=C.UTF-8 --no-info --no-discard-stderr --section=1 ${versionsart}
          --name=Hauptmietzinsreserve-Abrechnung --include=${ZIEL}.include --output=${ZIEL} ${HMZRES}
  COMMAND_ERROR_IS_FATAL ANY)

# help2man reflows the overview into paragraphs; it is a table of lines.
file(READ ${ZIEL} seite)
vorformatiert("${uebersicht}" uebersicht)
string(FIND "${seite}" ".SH DESCRIPTION\n" anfang)
string(FIND "${seite}" ".SH BEFEHLE" ende)
if(anfang GREATER -1 AND ende GREATER anfang)
  string(SUBSTRING "${seite}" 0 ${anfang} kopf)
  string(SUBSTRING "${seite}" ${ende} -1 rest)
  file(WRITE ${ZIEL} "${kopf}.SH DESCRIPTION\n${uebersicht}${rest}")
endif()
