#!/usr/bin/env bash
# The application under a virtual X server, grabbed to PNGs under the build folder and
# checked (screenshot.cpp): a saved document opened in a real window at the window's smallest
# size and at a larger one, and the Timbre from Recording dialog with its picked partials.
# Usage: screenshot_test.sh SCREENSHOT OUT_DIR [KELVARA_CLI]
set -euo pipefail
tool="$1"
out_dir="$2"
cli="${3:-}"
if ! command -v xvfb-run >/dev/null; then
    echo "SKIP: xvfb-run is not installed (Debian package xvfb)"
    exit 77
fi
mkdir -p "$out_dir"
files=()
# A saved document, when the command line tool can write one.
if [[ -n "$cli" ]] && "$cli" --help 2>/dev/null | grep -qE "^\s+new\b"; then
    "$cli" new "$out_dir/screenshot.kelvara" --overtones 8 --base 261.63 --volume 90 \
        --scale 1,1.2,1.25,1.333333,1.5,1.6,1.666667,2 --ratios 1,1.25 \
        --chord 60=261.63,327.04,392.45 --chord 62=293.66,367.08
    files+=("$out_dir/screenshot.kelvara")
fi
export QT_QPA_PLATFORM=xcb
shoot() { xvfb-run -a -s "-screen 0 1280x800x24" "$tool" "$@"; }
shoot window 1024x700 "$out_dir/document-window-smallest.png" "${files[@]}"
shoot window 1180x740 "$out_dir/document-window.png" "${files[@]}"
shoot recording "$out_dir/recording-dialog.png"
