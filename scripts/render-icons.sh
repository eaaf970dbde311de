#!/usr/bin/env bash
# Renders the 48 and 256 pixel PNG icons from data/icons/morvane.svg (needs rsvg-convert,
# Debian package librsvg2-bin). The PNGs are kept in the repository; run this after changing
# the SVG.
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 48 256; do
  rsvg-convert --width "$size" --height "$size" --output "morvane-$size.png" morvane.svg
done
echo "wrote data/icons/morvane-48.png and data/icons/morvane-256.png"
