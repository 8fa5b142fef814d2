#!/usr/bin/env bash
# Runs the application built in $1 on the folder given as $2 (or in KEEPSIFT_LIBRARY); without
# one, on the folder named at an earlier launch, else on the Pictures folder. The application
# never reads the home folder itself and says what to do when there is no Pictures folder.
set -euo pipefail
build="$1"
library="${2:-${KEEPSIFT_LIBRARY:-}}"
if [ -x "$build/Keepsift/keepsift" ]; then
    if [ -n "$library" ]; then
        exec "$build/Keepsift/keepsift" --library "$library"
    fi
    exec "$build/Keepsift/keepsift"
fi
echo "The application window is not built yet; showing the state report of a sample library instead."
exec "$build/core/keepsift-scenario" different-compositions
