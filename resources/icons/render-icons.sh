#!/usr/bin/env bash
# Renders the icon's PNG sizes from its SVG sources. The PNGs are committed, so the build needs no SVG
# renderer; run this (needs rsvg-convert from librsvg2-bin, and ImageMagick) only after changing an SVG.
# 16 and 24 pixels have their own pixel-grid drawings; the larger sizes come from qingjianlu.svg.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
rsvg-convert -w 16 -h 16 qingjianlu-16.svg -o qingjianlu-16.png
rsvg-convert -w 24 -h 24 qingjianlu-24.svg -o qingjianlu-24.png
for size in 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" qingjianlu.svg -o "qingjianlu-$size.png"
done
# The Windows program file's icon (resources/qingjianlu.rc): every size in one .ico (needs ImageMagick).
convert qingjianlu-16.png qingjianlu-24.png qingjianlu-32.png qingjianlu-48.png qingjianlu-64.png \
    qingjianlu-128.png qingjianlu-256.png qingjianlu.ico
