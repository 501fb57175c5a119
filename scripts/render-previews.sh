#!/usr/bin/env bash
# Renders the looks' preview pictures (resources/images/<Preview>.png) from the looks
# themselves: each look is played headless with a finger sweeping across the pad, and the
# last frame is kept. Run it after changing a look's shaders.
#
#   scripts/render-previews.sh [path/to/vora]     (default: build/dev/src/vora)
set -euo pipefail
cd "$(dirname "$0")/.."
vora=${1:-build/dev/src/vora}
[ -x "$vora" ] || { echo "render-previews: no vora binary at $vora (build it first)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A pad of 480 x 160 points: the preview is shown as a wide strip in the looks list.
width=480
height=160

# look name, preview image, length of the gesture in ms
looks=(
  "Classic|Classic|1200"
  "Heat Map|HeatMap|2400"
  "Pulse Cell|PulseCell|2000"
  "Warp Speed|WarpSpeed|1600"
  "Life Flower|LifeFlower|4000"
)

for entry in "${looks[@]}"; do
  IFS='|' read -r name image length <<<"$entry"
  script="$work/$image.txt"
  {
    echo "0 appear $width $height"
    echo "0 look $name"
    # An S-shaped sweep from left to right, one step every 20 ms, held at the end.
    awk -v len="$length" -v w="$width" -v h="$height" 'BEGIN {
      pi = 3.14159265
      for (t = 100; t <= len; t += 20) {
        f = (t - 100) / (len - 100)
        x = w * (0.12 + 0.7 * f)
        y = h * (0.5 - 0.32 * sin(f * 2 * pi * 1.5))
        printf "%d %s 1@%.1f,%.1f\n", t, (t == 100 ? "began" : "moved"), x, y
      }
    }'
  } >"$script"
  "$vora" --headless --script "$script" --store "$work/store" --midi-api none \
    --snapshot "resources/images/$image.png" >/dev/null
  echo "resources/images/$image.png"
done
