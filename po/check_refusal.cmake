# cmake -D PYTHON=<python3> -D MAKER=<make_catalogues.py> -D TEMPLATE=<pot> -D PO=<a good .po>
#       -D WORK=<dir> -P check_refusal.cmake
# The build refuses a gettext file that would show a child a missing or broken text, and
# names the file and the line: each fault below, written into a copy of a good file.
file(READ ${PO} good)
set(faults incomplete fuzzy placeholder plural)
set(incomplete_from "msgstr \"Bravo!\"")
set(incomplete_to "msgstr \"\"")
set(fuzzy_from "msgctxt \"Bravo\"")
set(fuzzy_to "#, fuzzy\nmsgctxt \"Bravo\"")
set(placeholder_from "{n} Cent\"\nmsgstr[1]")
set(placeholder_to "Cent\"\nmsgstr[1]")
set(plural_from "msgstr[1] \"{n} Cent\"")
set(plural_to "")
file(MAKE_DIRECTORY ${WORK})
foreach(fault IN LISTS faults)
  string(FIND "${good}" "${${fault}_from}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${PO} no longer holds the text this check breaks for '${fault}': ${${fault}_from}")
  endif()
  string(REPLACE "${${fault}_from}" "${${fault}_to}" broken "${good}")
  set(copy ${WORK}/${fault}.po)
  file(WRITE ${copy} "${broken}")
  execute_process(COMMAND ${PYTHON} ${MAKER} --template ${TEMPLATE} --source-language fr
                          --source-plural-forms "nplurals=2; plural=(n > 1);" --output ${WORK}/out.cpp ${copy}
                  RESULT_VARIABLE result ERROR_VARIABLE said)
  if(result EQUAL 0 OR NOT said MATCHES "${fault}[.]po:[0-9]+: ")
    message(FATAL_ERROR "a file with a fault (${fault}) was not refused with its name and line: ${result} ${said}")
  endif()
  message(STATUS "${fault}: ${said}")
endforeach()
