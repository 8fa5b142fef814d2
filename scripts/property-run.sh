#!/usr/bin/env bash
# Runs the review sequences with new seeds for MINUTES minutes on the tests built in BUILD_DIR
# (default: build), a batch of sequences per seed, and tells how many ran and what failed.
# Each failure is kept with its shrunk steps and the RC_PARAMS that replays it, in
# BUILD_DIR/property-runs/. SEQUENCES_PER_SEED sets the batch (default 10). To replay one, run the
# binary with that RC_PARAMS; KEEPSIFT_SEQUENCES_SHOW=1 prints each sequence's steps with what
# Keepsift shows after each listing. KEEPSIFT_SEQUENCES_WITHOUT leaves out the acts whose names hold
# one of its comma-separated words (see toString(Act)), to look past a fault already found.
set -uo pipefail
minutes="${1:?usage: property-run.sh MINUTES [BUILD_DIR]}"
build="${2:-build}"
per_seed="${SEQUENCES_PER_SEED:-10}"
binary="$build/photos/services/keepsift_review_sequences_tests"
if [ ! -x "$binary" ]; then
    echo "Build keepsift_review_sequences_tests in $build first." >&2
    exit 2
fi
out="$build/property-runs"
mkdir -p "$out"
deadline=$(( $(date +%s) + minutes * 60 ))
sequences=0
failures=0
while [ "$(date +%s)" -lt "$deadline" ]; do
    seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
    log="$out/seed-$seed.txt"
    if OPENCV_OPENCL_RUNTIME=disabled RC_PARAMS="seed=$seed max_success=$per_seed max_size=40" \
        "$binary" >"$log" 2>&1; then
        sequences=$(( sequences + per_seed ))
        rm -f "$log"
    else
        ran=$(sed -n 's/^Falsifiable after \([0-9]*\) tests.*/\1/p' "$log" | head -1)
        sequences=$(( sequences + ${ran:-1} ))
        failures=$(( failures + 1 ))
        echo "seed $seed failed after ${ran:-?} sequences:"
        grep -E '^VIOLATION' "$log" | sed 's/^/  /'
        grep -A1 'To reproduce' "$log" | tail -1 | sed 's/^/  replay: /'
    fi
done
echo "$sequences sequences run, $failures failing seeds; logs of failures in $out"
[ "$failures" -eq 0 ]
