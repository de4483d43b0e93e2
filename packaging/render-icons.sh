#!/usr/bin/env bash
# Renders the application icon (src/app/desktop/kelvara.svg) at the sizes the package installs
# beside the scalable one, for menus and launchers that want pixels. Run it after changing the
# SVG and commit the PNGs (needs rsvg-convert from librsvg2-bin).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$here/../src/app/desktop/kelvara.svg" \
        -o "$here/icons/kelvara-$size.png"
done
