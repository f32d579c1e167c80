# cmake -D BUILD_DIR=<build> -D OUTPUT_DIR=<dir> -D RUNTIME_NEEDS=a,b -D CPACK=<cpack>
#       -D LINTIAN=<lintian> [-D ARCHITECTURE=<Debian architecture>] -P check_package.cmake
# Builds the Debian package with CPack, checks that it is for ARCHITECTURE (by default the
# machine's), that it depends on what the program needs at run time without a link
# (shlibdeps cannot see those), and that lintian finds no error in it.
file(REMOVE_RECURSE ${OUTPUT_DIR})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUTPUT_DIR}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB packages ${OUTPUT_DIR}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "cpack made ${count} packages instead of one:\n${output}")
endif()

if(NOT ARCHITECTURE)
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE ARCHITECTURE
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND dpkg-deb --field ${packages} Architecture
                OUTPUT_VARIABLE architecture OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(name ${packages} NAME)
if(NOT architecture STREQUAL ARCHITECTURE OR NOT name MATCHES "_${ARCHITECTURE}[.]deb$")
  message(FATAL_ERROR "${name} is for ${architecture}, not ${ARCHITECTURE}")
endif()

execute_process(COMMAND dpkg-deb --field ${packages} Depends
                OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
# A shared library seen by shlibdeps proves it ran; the others are declared by hand.
string(REPLACE "," ";" needs "${RUNTIME_NEEDS},libqt6widgets6")
foreach(need IN LISTS needs)
  if(NOT depends MATCHES "(^|, )${need}( |,|$)")
    message(FATAL_ERROR "the package does not depend on ${need}: Depends: ${depends}")
  endif()
endforeach()

execute_process(COMMAND ${LINTIAN} --fail-on error ${packages} RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "lintian reports errors in ${packages}")
endif()
message(STATUS "${packages} depends on ${depends}")
