#!/usr/bin/env bash
# Starts the application with a new default document (arguments are passed on, so
# `scripts/run-app.sh FILE.kelvara` opens a document).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
app="$root/build/default/src/app/kelvara"
if [[ ! -x "$app" ]]; then
    echo "run-app: $app is missing; build it first with 'make build'." >&2
    exit 1
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    cat >&2 <<MSG
run-app: no display found: DISPLAY and WAYLAND_DISPLAY are empty, so Kelvara has no screen
to open its window on.
  - On a desktop, run 'make run' from a terminal inside your session.
  - Over SSH, connect with 'ssh -X' (or -Y) so that DISPLAY is set.
  - Without any screen, run it on a virtual X server:
        xvfb-run -a $app
    (Debian package: xvfb), or use the command line tool: build/default/src/cli/kelvara-cli
MSG
    exit 1
fi
exec "$app" "$@"
