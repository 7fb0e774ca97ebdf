# Shared set-up for the scripts (run, test, bench, package): packages, build, a private
# X display and a private Wine prefix, and a cleanup that leaves nothing
# running. Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${DUSKLID_BUILD:-$ROOT/build}
DESKTOP_SIZE=${DUSKLID_DESKTOP_SIZE:-1024x768}

say() { printf '%s\n' "$*" >&2; }

# The benchmark programs (bench/NAME.cpp), for scripts/bench and scripts/test.
BENCHMARKS=(capture_bench cover_bench footprint_bench soak_bench)

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"
    elif command -v sudo >/dev/null 2>&1; then sudo "$@"
    else say "need root to run: $*"; return 1
    fi
}

BUILD_TOOLS=(
    cmake:cmake make:make
    x86_64-w64-mingw32-g++:g++-mingw-w64-x86-64
    x86_64-w64-mingw32-windres:binutils-mingw-w64-x86-64
)

# Installs from Debian whatever command or file is missing: everything the
# tests and Wine need, or with "build" only what builds dusklid.exe.
ensure_packages() {
    local missing=() entry entries=("${BUILD_TOOLS[@]}")
    if [ "${1:-}" != build ]; then
        entries+=(
            g++:g++ python3:python3 wine:wine /usr/lib/wine/wine64:wine64
            Xvfb:xvfb xdotool:xdotool import:imagemagick xwd:x11-apps
            xdpyinfo:x11-utils locale-gen:locales
            Xorg:xserver-xorg-core xrandr:x11-xserver-utils
            /usr/lib/xorg/modules/drivers/dummy_drv.so:xserver-xorg-video-dummy
            /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf:fonts-ipafont-gothic
            /usr/include/gtest/gtest.h:libgtest-dev clang++:clang
        )
        # ImageMagick's import is sometimes a stand-in; the real one has identify.
        command -v identify >/dev/null 2>&1 || missing+=(imagemagick)
        # libFuzzer's runtime is packaged apart from clang itself.
        compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null ||
            missing+=(libclang-rt-dev)
    fi
    for entry in "${entries[@]}"; do
        local what=${entry%%:*} package=${entry#*:}
        if [[ $what == /* ]]; then [ -e "$what" ] && continue
        else command -v "$what" >/dev/null 2>&1 && continue
        fi
        missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        say "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            $(printf '%s\n' "${missing[@]}" | sort -u) >/dev/null
    fi
    [ "${1:-}" = build ] || ensure_japanese_locale
}

# Wine decodes command lines and file names through the Unix locale.
ensure_japanese_locale() {
    if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
        say "Generating the ja_JP.UTF-8 locale"
        as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
        as_root locale-gen >/dev/null
    fi
}

build_windows() {
    cmake -S "$ROOT" -B "$BUILD/windows" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
    cmake --build "$BUILD/windows" -j"$(nproc)"
}

# The release zip (program and read-me) in the Windows build folder.
build_package() {
    cmake --build "$BUILD/windows" --target package >/dev/null
    PACKAGE=$(ls "$BUILD"/windows/dusklid-*-win64.zip)
}

build_native() {
    cmake -S "$ROOT" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ >/dev/null
    cmake --build "$BUILD/native" -j"$(nproc)"
}

XVFB_PID=
XORG_PID=
RUN_DIR=

# Ends every program of the prefix and waits until they and the server are gone.
stop_wineserver() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# Everything this run started goes when the script ends, however it ends.
cleanup() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        stop_wineserver
    fi
    stop_display
    if [ -n "$RUN_DIR" ]; then
        # A test that stopped half way may leave its small drive mounted.
        local mount_point
        for mount_point in $(awk -v dir="$RUN_DIR/" 'index($2, dir) == 1 {print $2}' /proc/mounts 2>/dev/null); do
            umount "$mount_point" 2>/dev/null || umount -l "$mount_point" 2>/dev/null || true
        done
    fi
    if [ -n "$RUN_DIR" ] && [ -z "${DUSKLID_KEEP_RUN:-}" ]; then
        rm -rf --one-file-system "$RUN_DIR"
    fi
}

# Waits until the X server $1 (a pid) has written its display number to $2
# (-displayfd: the server takes the first free one and writes it out once it
# accepts clients), then points DISPLAY at it.
await_display_number() {
    local pid=$1 number_file=$2 tries=0
    until grep -q '^[0-9]' "$number_file" 2>/dev/null; do
        tries=$((tries + 1))
        if [ $tries -gt 300 ] || ! kill -0 "$pid" 2>/dev/null; then
            rm -f "$number_file"; return 1
        fi
        sleep 0.05
    done
    export DISPLAY=":$(head -n 1 "$number_file")"
    rm -f "$number_file"
}

# A private Xvfb on a display number that it picks itself, at $1 bits per
# pixel (24 when not given).
start_private_display() {
    local size_x=${DESKTOP_SIZE%x*} size_y=${DESKTOP_SIZE#*x} number_file
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${size_x}x${size_y}x${1:-24}" -nolisten tcp \
        3>"$number_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    await_display_number "$XVFB_PID" "$number_file" || { say "Xvfb did not start"; return 1; }
}

# A private Xorg with the dummy driver, whose outputs xrandr can lay out as
# several displays (Xvfb shows Wine only one). Xorg needs root; its log goes
# to the run folder, which the cleanup removes.
start_dummy_display() {
    local number_file log="$RUN_DIR/xorg.log" sudo=()
    # Not through as_root: $! must be the server's own pid (or sudo's, which
    # passes a signal on), not a subshell's.
    [ "$(id -u)" = 0 ] || sudo=(sudo)
    number_file=$(mktemp)
    "${sudo[@]}" Xorg -displayfd 3 -config "$ROOT/scripts/lib/xorg-dummy.conf" -noreset -nolisten tcp \
        -logfile "$log" 3>"$number_file" >/dev/null 2>&1 &
    XORG_PID=$!
    if ! await_display_number "$XORG_PID" "$number_file"; then
        say "Xorg did not start:"; tail -n 20 "$log" >&2 2>/dev/null || true
        return 1
    fi
    # Only the primary output to begin with; the tests lay out the rest.
    xrandr --output DUMMY0 --mode 1024x768 --primary --pos 0x0 && xrandr >/dev/null
}

# Stops whichever X server this run started (Xorg removes its own lock file
# and socket on the way out).
stop_display() {
    local pid
    for pid in "$XVFB_PID" "$XORG_PID"; do
        [ -n "$pid" ] || continue
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    XVFB_PID= XORG_PID=
}

# Whether the prefix's programs run in one virtual desktop ("on", as
# prepare_wine_prefix makes it) or each window on the X screen itself ("off":
# Wine then sees every display).
VIRTUAL_DESKTOP=on
set_virtual_desktop() {
    [ "$1" != "$VIRTUAL_DESKTOP" ] || return 0
    VIRTUAL_DESKTOP=$1
    if [ "$1" = on ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    else
        wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f
    fi >/dev/null 2>&1 || true
    stop_wineserver
}

# A fresh prefix per run: Japanese code page and fonts, one virtual desktop.
# The run's folder (prefix, the tests' working folders) lies under a short
# path of its own, not under the checkout: the tests' paths then have the
# same length wherever the checkout lies.
prepare_wine_prefix() {
    RUN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/dusklid-run.XXXXXX")
    export WINEPREFIX="$RUN_DIR/prefix"
    export WINEARCH=win64
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    wineboot -i >/dev/null 2>&1
    local reg="$RUN_DIR/setup.reg"
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        local face
        for face in "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "MS PGothic" \
                    "ＭＳ Ｐゴシック" "ＭＳ ゴシック" "MS Sans Serif"; do
            printf '"%s"="IPAPGothic"\r\n' "$face"
        done
        printf '"MS Gothic"="IPAGothic"\r\n\r\n'
        # As on Windows, text files open in Notepad (the help command uses it).
        printf '[HKEY_CLASSES_ROOT\\.txt]\r\n@="txtfile"\r\n\r\n'
        # A program that crashes ends at once, instead of waiting on a debugger.
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]\r\n'
        printf '"Debugger"="no-debugger"\r\n"Auto"="1"\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="%s"\r\n' "$DESKTOP_SIZE"
    } | iconv -f UTF-8 -t UTF-16 > "$reg"
    wine regedit "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
    # Wine draws the caption buttons with its Marlett font, which this build
    # finds only in the prefix's own font folder; without it they show letters.
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    stop_wineserver
}

# Runs a Windows console program under Wine: what it prints, less Windows'
# CRs, goes to the terminal and to $1, Wine's own messages to $2; arguments
# from $3. A time limit (DUSKLID_RUN_LIMIT seconds) keeps a hung program from
# stalling the run; afterwards stop_wineserver ends whatever it left (a crash
# debugger too), so that the pipe closes. Returns the program's exit status.
# It runs in the background, so that a signal to the script runs the cleanup
# at once.
run_windows_program() {
    local log=$1 wine_log=$2
    shift 2
    _run_windows_program() {
        { timeout -k 10 "${DUSKLID_RUN_LIMIT:-1200}" wine "$@" 2>"$wine_log"
          status=$?; stop_wineserver; exit "$status"; } | tr -d '\r' | tee "$log"
        return "${PIPESTATUS[0]}"
    }
    _run_windows_program "$@" & wait $!
}

# "a,b" as a GoogleTest filter: every test whose full name contains a or b;
# empty for all.
substring_pattern() {
    if [ -n "$1" ]; then printf '*%s*' "${1//,/*:*}"; fi
}

# The full names (Suite.Name) of the end-to-end tests that GoogleTest
# `pattern` $1 selects, one a line. Needs the prefix, not a display.
list_e2e_tests() {
    local pattern=$1 listing="$RUN_DIR/e2e-list.txt" tries
    for tries in 1 2; do
        DUSKLID_RUN_LIMIT=120 run_windows_program "$listing" "$BUILD/e2e-wine.log" \
            "$BUILD/windows/dusklid_e2e.exe" --gtest_list_tests ${pattern:+"--gtest_filter=$pattern"} \
            "$BUILD/windows/dusklid.exe" "$RUN_DIR/work" "$RUN_DIR" >/dev/null || true
        grep -q ' passed, ' "$listing" && break
    done
    awk '/^[A-Za-z0-9_]+\.$/ {suite = $1} /^  [A-Za-z0-9_]/ {print suite $1}' "$listing"
}

# Runs the end-to-end driver against $BUILD/windows/dusklid.exe, with $1 as
# a GoogleTest filter (empty for all), screenshots into $2 and the report
# into $3; GoogleTest flags in DUSKLID_GTEST_FLAGS (say --gtest_repeat=20 or
# --gtest_shuffle) go with it. Now and then Wine fails to start the driver at
# all in a fresh prefix; that says nothing about Dusklid, so such a run gets
# one more try.
run_e2e_driver() {
    local filter=$1 shots=$2 log=$3 work="$RUN_DIR/work" flags=() status=0
    mkdir -p "$work" "$shots"
    if [ -n "$filter" ]; then flags+=("--gtest_filter=$filter"); fi
    flags+=(${DUSKLID_GTEST_FLAGS:-})
    local command=("$BUILD/windows/dusklid_e2e.exe" "${flags[@]}"
                   "$BUILD/windows/dusklid.exe" "$work" "$shots")
    run_windows_program "$log" "$BUILD/e2e-wine.log" "${command[@]}" || status=$?
    if ! grep -q '^\[ RUN' "$log"; then
        say "The driver ran no test; Wine said:"; cat "$BUILD/e2e-wine.log" >&2
        say "Trying once more"
        status=0
        run_windows_program "$log" "$BUILD/e2e-wine.log" "${command[@]}" || status=$?
    fi
    return "$status"
}
