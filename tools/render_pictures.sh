#!/usr/bin/env bash
# Renders the SVG sources of the window's pictures and icons into the PNGs
# the program carries (Qt Widgets draws PNGs without any extra module).
# Needs rsvg-convert (Debian: librsvg2-bin). Run after changing an SVG.
set -euo pipefail
cd "$(dirname "$0")/../resources"

render() {  # SOURCE WIDTH HEIGHT TARGET
    rsvg-convert --width "$2" --height "$3" --keep-aspect-ratio "$1" -o "$4"
}

for svg in icons/svg/*.svg; do
    name=$(basename "$svg" .svg)
    render "$svg" 16 16 "icons/16/$name.png"
    render "$svg" 32 32 "icons/32/$name.png"
done
render pictures/logo.svg 260 60 pictures/logo.png
render pictures/logo.svg 520 120 pictures/logo@2x.png
render pictures/bulb.svg 32 32 pictures/bulb.png
render pictures/bulb.svg 64 64 pictures/bulb@2x.png
for size in 16 32 48 64 128 256; do
    render pictures/trimora.svg "$size" "$size" "pictures/trimora-$size.png"
done
