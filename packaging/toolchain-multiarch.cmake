# Shared by the toolchain files: a Debian multiarch cross build, with no sysroot. The target's
# libraries and Qt install beside the machine's own, under /usr/lib/<CMAKE_LIBRARY_ARCHITECTURE>,
# where find_package looks first; Debian's Qt CMake files find the machine's moc and rcc.
set(CMAKE_SYSTEM_NAME Linux)
# pkg-config must read the target's .pc files, not the machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig:/usr/share/pkgconfig)
