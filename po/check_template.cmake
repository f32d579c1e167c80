# cmake -D BUILT=<build>/po/piecettes.pot -D COMMITTED=<source>/po/piecettes.pot -P check_template.cmake
# The template in po/ is the one translators start from: it must hold the texts the
# sources hold now. Only its creation date may differ.
foreach(which BUILT COMMITTED)
  file(READ ${${which}} text)
  string(REGEX REPLACE "\"POT-Creation-Date: [^\"]*\"" "" ${which}_text "${text}")
endforeach()
if(NOT BUILT_text STREQUAL COMMITTED_text)
  message(FATAL_ERROR "po/piecettes.pot is not the template the sources give: run "
                      "cmake --build <build> --target po-update, then review and commit po/")
endif()
