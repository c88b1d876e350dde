#!/usr/bin/env bash
# Sets up, builds and runs Trimora on Debian 12.
#   ./dev.sh run        install what is missing, build, compress the bundled sample site into a temporary folder
#   ./dev.sh test       install what is missing, build, run every test
#   ./dev.sh gui        install what is missing, build, open the window with a copy of the sample site listed
#   ./dev.sh sanitize   build with AddressSanitizer and UndefinedBehaviorSanitizer and run every test
#   ./dev.sh tsan       build the batch layer's tests with ThreadSanitizer and run them
#   ./dev.sh bench      build with optimisation and run the benchmarks
#   ./dev.sh killtest   kill trimora-cli 20 times over 5,000 files for each backup method and check every file
#   ./dev.sh screenshots  build and save the windows as PNGs in docs/screenshots (under Xvfb)
#   ./dev.sh meaning    compress real HTML5 pages with both built-in rule sets and compare them in headless Chromium
#   ./dev.sh installcheck  build, install into a temporary prefix and validate what was installed
#   ./dev.sh package    build the Debian package trimora_VERSION_ARCH.deb in this folder
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake g++ ninja-build pkg-config libgtest-dev libbenchmark-dev qt6-base-dev xvfb xauth)

install_missing() {
    local missing=()
    for package in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}" >&2
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# Builds everything, or only the targets in $TARGETS.
build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" ${TARGETS:+--target $TARGETS}
}

# Runs a command in a fresh temporary home: tests never touch the real one.
in_test_home() {
    local home
    home=$(mktemp -d)
    mkdir -m 700 "$home/runtime"
    local status=0
    HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime \
        TRIMORA_HOME=$home/trimora QT_QPA_PLATFORM=offscreen "$@" || status=$?
    rm -rf "$home"
    return $status
}

run_tests() {
    local dir=$1
    shift
    in_test_home ctest --test-dir "$dir" --output-on-failure -j 2 --timeout 600 "$@"
}

case "${1:-}" in
    run)
        install_missing
        # Only what the main job needs; tests and benchmarks wait for ./dev.sh test.
        TARGETS=trimora-cli build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
        # The sample site goes into a mirror in a fresh temporary folder, which
        # also holds the settings and the data folder that a first use writes:
        # nothing outside it is written.
        out=$(mktemp -d)
        TRIMORA_HOME=$out/data XDG_DATA_HOME=$out/desktop ./build/cli/trimora-cli compress --out "$out/site" --preserve-dirs --report - samples/site
        echo "Compressed copy of samples/site: $out/site"
        ;;
    test)
        install_missing
        build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
        run_tests build
        ;;
    gui)
        install_missing
        build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
        if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
            echo "No display: run ./dev.sh gui on a desktop (or inside xvfb-run -a)." >&2
            exit 1
        fi
        # A copy of the sample site in a fresh temporary folder, named by a
        # list file there; the folder also holds this run's settings and data
        # folder, so that compressing in the window changes nothing else.
        out=$(mktemp -d)
        cp -r samples/site "$out/site"
        printf '%s\r\n' "$out/site" > "$out/site.lst"
        echo "The sample site's copy: $out/site"
        TRIMORA_HOME=$out/data XDG_DATA_HOME=$out/desktop ./build/gui/trimora "$out/site.lst"
        ;;
    sanitize)
        install_missing
        build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTRIMORA_SANITIZE=ON -DTRIMORA_BUILD_BENCH=OFF
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            run_tests build-sanitize
        ;;
    tsan)
        # The runs' workers and the list's owner, with ThreadSanitizer.
        install_missing
        cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRIMORA_SANITIZE=thread \
            -DTRIMORA_BUILD_BENCH=OFF -DTRIMORA_BUILD_GUI=OFF >/dev/null
        cmake --build build-tsan --target batch_tests
        TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_tests build-tsan -R 'RunAsValues|CompressRun|FileSafety|Restore'
        ;;
    bench)
        # whole_process_bench makes its inputs from npm packages.
        command -v npm >/dev/null || PACKAGES+=(npm)
        install_missing
        build build-release -DCMAKE_BUILD_TYPE=Release -DTRIMORA_BUILD_TESTS=OFF
        for benchmark in build-release/bench/*_bench; do "$benchmark"; done
        ;;
    killtest)
        install_missing
        build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
        # The test program itself, not ctest: ctest's per-test limit of CI
        # would cut the trash method's long restores short.
        TRIMORA_KILL_FILES=5000 TRIMORA_KILL_COUNT=20 in_test_home \
            build/tests/cli/cli_interrupt_tests --gtest_filter='*KillLoop*'
        ;;
    screenshots)
        install_missing
        build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
        # In a temporary home, over a copy of the sample site named by a
        # relative path, so that no path of this machine shows.
        work=$(mktemp -d)
        mkdir -m 700 "$work/runtime"
        cp -r samples/site "$work/"
        root=$PWD
        (cd "$work" && HOME=$work XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config \
            XDG_RUNTIME_DIR=$work/runtime TRIMORA_HOME=$work/trimora \
            xvfb-run -a "$root/build/gui/trimora" --screenshots "$root/docs/screenshots" $(find site -type f | sort))
        rm -rf "$work"
        echo "Screenshots in docs/screenshots/"
        ;;
    meaning)
        # Not part of CI: it fetches pages from the npm registry and needs a browser.
        PACKAGES+=(chromium python3)
        command -v npm >/dev/null || PACKAGES+=(npm)
        install_missing
        build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
        python3 tools/meaning/meaning.py --cli build/cli/trimora-cli --work build-meaning "${@:2}"
        ;;
    installcheck)
        PACKAGES+=(desktop-file-utils appstream man-db shared-mime-info)
        install_missing
        build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
        prefix=$(mktemp -d)
        cmake --install build --prefix "$prefix" >/dev/null
        status=0
        packaging/check_install.sh "$prefix" "$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)" || status=$?
        rm -rf "$prefix"
        exit $status
        ;;
    package)
        PACKAGES+=(dpkg-dev file)
        install_missing
        build build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
            -DTRIMORA_BUILD_TESTS=OFF -DTRIMORA_BUILD_BENCH=OFF
        rm -f build-package/trimora_*.deb trimora_*.deb
        (cd build-package && cpack >/dev/null)
        mv build-package/trimora_*.deb .
        echo "Built $(ls trimora_*.deb): install it with 'apt install ./trimora_*.deb', remove it with 'apt remove trimora'"
        ;;
    *)
        # The comment block at the top, whatever its length.
        awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"
        exit 2
        ;;
esac
