# cmake -D BUILD_DIR=<build> -D PREFIX=<stage>/usr -P stage_install.cmake
# Installs the build into a fresh staging prefix, so that no file of an earlier install
# can hide a missing install rule.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "cmake --install into ${PREFIX} failed: ${result}")
endif()
