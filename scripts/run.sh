#!/usr/bin/env bash
# Runs the application built in $1 on the user's Pictures folder (or the folder given as $2).
set -euo pipefail
build="$1"
library="${2:-${KEEPSIFT_LIBRARY:-$(xdg-user-dir PICTURES 2>/dev/null || echo "$HOME/Pictures")}}"
if [ -x "$build/Keepsift/keepsift" ]; then
    exec "$build/Keepsift/keepsift" --library "$library"
fi
echo "The application window is not built yet; showing the state report of a sample library instead."
exec "$build/core/keepsift-scenario" different-compositions
