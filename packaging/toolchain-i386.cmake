# Cross-builds the program and its package for Debian i386 (old classroom PCs) on an amd64
# Debian machine: cmake --preset i386. scripts/package installs the cross compiler and the
# i386 Qt.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
# An amd64 kernel runs i386 programs itself, but CMake runs a cross-built tool only through
# an emulator, and otherwise by its bare name, which is not on PATH: env just runs it.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-multiarch.cmake)
