# Shared by scripts/run and scripts/test: installs the missing Debian packages and
# builds the program. Sourced, not run; safe to run again.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${PIECETTES_BUILD_DIR:-$root/build}

# Debian packages the program needs to build and run: scripts/run installs these.
# gettext extracts and merges the translations, python3 makes them into C++; the window
# draws most languages in Comic Neue and those it lacks letters for in Comfortaa.
program_packages=(cmake make g++ qt6-base-dev qt6-svg-dev libqt6svg6 gettext python3 fonts-comic-neue fonts-comfortaa)
# What the tests, the benchmarks, the package checks and the web page need besides:
# scripts/test installs both lists. The page is built with emscripten, its fonts cut down
# with fonttools (brotli writes WOFF2), its script minified by terser (node-terser), its wasm
# gzipped by zopfli, the icons of its installable app drawn with
# rsvg-convert (librsvg2-bin: the wasm build has no Qt to draw them), and it is played in
# chromium (DevTools protocol), firefox-esr (WebDriver BiDi, both with python3-websocket) and WebKitGTK
# (webkit2gtk-driver's WebKitWebDriver).
test_packages=(pkg-config libxcb1-dev
               desktop-file-utils appstream dpkg-dev lintian
               valgrind strace clang-14 libclang-rt-14-dev locales file
               xvfb openbox xdotool x11-utils dbus dbus-daemon at-spi2-core python3-pyatspi imagemagick orca
               emscripten node-terser python3-fonttools python3-brotli zopfli librsvg2-bin chromium python3-websocket
               firefox-esr webkit2gtk-driver)

# What scripts/package adds to build and check the package for other architectures: the
# cross compilers and the target's Qt beside the machine's own, and qemu to run arm64
# programs (i386 ones run natively on amd64).
cross_architectures=(arm64 i386)
cross_packages=(qemu-user-static
                crossbuild-essential-arm64 qt6-base-dev:arm64 qt6-svg-dev:arm64
                crossbuild-essential-i386 qt6-base-dev:i386 qt6-svg-dev:i386)

install_missing() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Please install as root: ${missing[*]}" >&2; return 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build [cmake --build options...], e.g. build --target piecettes
build() {
    cmake -S "$root" -B "$build_dir"
    cmake --build "$build_dir" --parallel "$(nproc)" "$@"
}
