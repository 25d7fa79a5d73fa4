#!/usr/bin/env bash
# Takes pictures of every window and dialog of Orvek C&N, after thirty-year runs in both modes,
# at 96 DPI and at one and a half times that (QT_SCALE_FACTOR=1.5), for a person to look at:
# no text may be clipped or run into other text. The printouts of the numerical output are
# kept as PDF and their first pages turned into pictures as well.
#
#   tools/screenshots.sh [OUTPUT_FOLDER]      (default: build/screenshots)
#
# Needs a configured build tree in build/ (see README.md); no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/screenshots}"
cmake --build build --target orvek-screenshots
for scale in 1 1.5; do
  dir="$out/scale-$scale"
  rm -rf "$dir"
  mkdir -p "$dir"
  QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96 QT_SCALE_FACTOR="$scale" \
    build/orvek-screenshots "$dir"
  if command -v pdftoppm >/dev/null; then
    for pdf in "$dir"/*.pdf; do
      [ -e "$pdf" ] || continue
      pdftoppm -png -r 110 -f 1 -l 2 "$pdf" "${pdf%.pdf}"
    done
  fi
done
echo "Pictures in $out"
