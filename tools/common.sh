# Shared by run.sh and test.sh: package installation and the two builds.

# top is the checkout: the folder of the script that sources this file,
# unless that script has set it.
top=${top:-$(cd "$(dirname "$0")" && pwd)}
build_native="$top/build/native"
build_win="$top/build/win"

# Debian packages the build and the tests need: a command (or a file) that
# shows the package is there, then the package.
required_packages="
cmake:cmake
ninja:ninja-build
g++:g++
/usr/src/googletest/CMakeLists.txt:googletest
x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64-posix
x86_64-w64-mingw32-gcc-posix:gcc-mingw-w64-x86-64-posix
x86_64-w64-mingw32-windres:binutils-mingw-w64-x86-64
wine:wine
/usr/lib/wine/wine64:wine64
Xvfb:xvfb
xwd:x11-apps
xdotool:xdotool
/usr/bin/convert:imagemagick
xprop:x11-utils
/usr/bin/pdftk:pdftk-java
qpdf:qpdf
/usr/lib/python3/dist-packages/msoffcrypto/__init__.py:python3-msoffcrypto-tool
makensis:nsis
/usr/share/doc/libreoffice-writer:libreoffice-writer
/usr/share/doc/libreoffice-calc:libreoffice-calc
/usr/share/doc/libreoffice-impress:libreoffice-impress
/usr/share/doc/python3-uno:python3-uno
"

install_packages() {
    missing=""
    for entry in $required_packages; do
        probe=${entry%%:*}
        package=${entry#*:}
        case $probe in
            /*) [ -e "$probe" ] && continue ;;
            *) command -v "$probe" >/dev/null 2>&1 && continue ;;
        esac
        missing="$missing $package"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
}

configure_and_build() {
    dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "$@"
    fi
    cmake --build "$dir"
}

build_windows() {
    configure_and_build "$build_win" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" -DTARNWICK_WERROR=ON
}

build_native() {
    configure_and_build "$build_native" -DTARNWICK_WERROR=ON
}

# start_xvfb: starts a private X server on a free display (Xvfb picks it, so
# parallel runs never collide) and exports DISPLAY; stop_xvfb ends it.
start_xvfb() {
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$number_file" ] && break
        sleep 0.1
    done
    number=$(tr -dc 0-9 <"$number_file")
    rm -f "$number_file"
    if [ -z "$number" ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "could not start Xvfb" >&2
        return 1
    fi
    export DISPLAY=":$number"
}

stop_xvfb() {
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}
