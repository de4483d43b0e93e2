#!/usr/bin/env bash
# Runs a command (the test runner) with the services the tests need, and stops them after.
set -euo pipefail
XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_RUNTIME_DIR
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
cleanup() { rm -rf "$XDG_RUNTIME_DIR"; }
trap cleanup EXIT
"$@"
