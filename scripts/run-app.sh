#!/usr/bin/env bash
# Starts the application with a new default document.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
app="$root/build/default/src/app/kelvara"
if [[ -x "$app" ]]; then
    exec "$app" "$@"
fi
# Without the window (no Qt build), show the default document's curve.
exec "$root/build/default/src/cli/kelvara-cli" curve
