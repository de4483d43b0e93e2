#!/usr/bin/env bash
# The Timbre from Recording dialog under a virtual X server, grabbed to a PNG under the build
# folder and checked for the marks of its picked partials.
# Usage: recording_screenshot_test.sh RECORDING_DIALOG_SCREENSHOT OUT_DIR
set -euo pipefail
tool="$1"
out_dir="$2"
if ! command -v xvfb-run >/dev/null; then
    echo "SKIP: xvfb-run is not installed (Debian package xvfb)"
    exit 77
fi
mkdir -p "$out_dir"
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x800x24" "$tool" "$out_dir/recording-dialog.png"
