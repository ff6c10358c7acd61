#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test headless.
#   scripts/test.sh           all stages: the test suite, the suite again under AddressSanitizer
#                             and UndefinedBehaviorSanitizer, each fuzz target for a minute,
#                             a benchmark smoke run, and the Windows build (MinGW-w64) with
#                             its tests run under Wine
#   scripts/test.sh --quick   only the first stage (build in ./build and run the test suite)
# Environment: FUZZ_SECONDS (default 60) bounds each fuzz target's run.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

quick=false
case "${1:-}" in
    --quick) quick=true ;;
    "") ;;
    *) echo "usage: scripts/test.sh [--quick]" >&2; exit 2 ;;
esac

scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"
started=$SECONDS

stage() { echo; echo "=== $* ($((SECONDS - started)) s)"; }

stage "Build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
main_log="$root/build/ctest-main.log"
ctest --test-dir build --output-on-failure 2>&1 | tee "$main_log"
$quick && exit 0

stage "Test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan-ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DVANTOR_SANITIZE=ON -DVANTOR_BUILD_BENCH=OFF
cmake --build build-asan-ci -j "$jobs"
# Leak checking is on with no suppressions: Qt's and fontconfig's caches report no leaks here.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan-ci --output-on-failure

stage "Fuzz targets, ${FUZZ_SECONDS:-60} s each"
CC=clang CXX=clang++ cmake -S . -B build-fuzz-ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANTOR_BUILD_FUZZ=ON -DVANTOR_BUILD_TESTS=OFF -DVANTOR_BUILD_BENCH=OFF
cmake --build build-fuzz-ci --target vantor_fuzz -j "$jobs"
seeds="$root/build-fuzz-ci/seeds"
fuzz/make_corpus.sh build-fuzz-ci "$seeds"
for pair in big_reader:big csf_reader:csf str_reader:str text_display:text directory_tree:tree \
    entry_path:tree; do
    target="fuzz_${pair%%:*}"
    [ -x "build-fuzz-ci/fuzz/$target" ] || { echo "$target was not built"; exit 1; }
    corpus="$root/build-fuzz-ci/corpus/$target"
    artifacts="$root/build-fuzz-ci/artifacts/$target/"
    mkdir -p "$corpus" "$artifacts"
    log="$root/build-fuzz-ci/$target.log"
    if ! "build-fuzz-ci/fuzz/$target" -max_total_time="${FUZZ_SECONDS:-60}" -timeout=30 \
        -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$seeds/${pair##*:}" \
        >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "$target failed; the input that failed is in $artifacts"
        exit 1
    fi
    echo "$target: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') executions," \
         "corpus $(ls "$corpus" | wc -l) inputs"
done

if [ -x build/bench/vantor_bench ]; then
    stage "Benchmark smoke run"
    build/bench/vantor_bench --small
fi

stage "Windows: cross build with MinGW-w64, engine and command-line tests under Wine"
windows_started=$SECONDS
scripts/windows-build.sh build-windows-ci
# The Windows program prints byte for byte what the Linux one prints.
wine_prefix="$root/build-windows-ci/wineprefix"
cmake/wine-run.sh "$wine_prefix"
for command in list "list --long" "list --json" info verify; do  # $command splits into words
    cmp <(build/cli/vantor-cli $command examples/example.big) \
        <(cmake/wine-run.sh "$wine_prefix" build-windows-ci/cli/vantor-cli.exe $command \
              examples/example.big) ||
        { echo "vantor-cli.exe $command prints otherwise than vantor-cli"; exit 1; }
done
WINEPREFIX="$wine_prefix" "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -k
echo "Windows stage: $((SECONDS - windows_started)) s"

stage "All stages passed in $((SECONDS - started)) s; main test run:"
tail -n 3 "$main_log"
