# Cross-builds the program and its package for Debian i386 (old classroom PCs) on an amd64
# Debian machine: cmake --preset i386. scripts/package installs the cross compiler, the
# i386 Qt and qemu.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
# The picture renderer at build time and the tests run natively where the kernel runs i386
# programs, and under qemu where it was built without them, as many cloud, container and
# distribution kernels are. Which one is found by running the i386 loader, which the i386
# C library installs. CMake runs a cross-built tool only through an emulator, and
# otherwise by its bare name, which is not on PATH: env just runs it.
set(PIECETTES_I386_QEMU OFF CACHE BOOL "Run the i386 programs under qemu-i386-static even where the kernel runs them")
set(i386_loader /usr/lib/i386-linux-gnu/ld-linux.so.2)
if(NOT PIECETTES_I386_QEMU)
  execute_process(COMMAND ${i386_loader} --version RESULT_VARIABLE i386_native OUTPUT_QUIET ERROR_QUIET)
endif()
if(PIECETTES_I386_QEMU OR NOT i386_native STREQUAL "0")
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-i386-static)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env)
endif()
# CMake reads this file twice in a configuration, and again in each check it compiles.
get_property(i386_way_told GLOBAL PROPERTY PIECETTES_I386_WAY_TOLD)
if(NOT CMAKE_IN_TRY_COMPILE AND NOT i386_way_told)
  message(STATUS "The i386 programs run through ${CMAKE_CROSSCOMPILING_EMULATOR}")
  set_property(GLOBAL PROPERTY PIECETTES_I386_WAY_TOLD ON)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-multiarch.cmake)
