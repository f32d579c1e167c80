# Cross-builds the program and its package for Debian arm64 (the Raspberry Pi's Debian-based
# systems) on an amd64 Debian machine: cmake --preset arm64. scripts/package installs the
# cross compiler, the arm64 Qt and qemu.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# The picture renderer at build time and the tests run under qemu. Without -L: multiarch puts
# the arm64 loader and libraries where the program looks for them, and with
# -L /usr/aarch64-linux-gnu the renderer never finished.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-aarch64-static)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-multiarch.cmake)
