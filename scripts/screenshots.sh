#!/usr/bin/env bash
# Remakes the screenshots in docs/ on a private X display, at scale 1 and 2.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
command -v Xvfb >/dev/null || { [[ $(id -u) -eq 0 ]] && apt-get install -y -q xvfb || sudo apt-get install -y -q xvfb; }
"$root/scripts/build.sh"

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
cd "$root"
DISPLAY=$display QT_QPA_PLATFORM=xcb build/tools/vigiltide_screenshots docs
DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 build/tools/vigiltide_screenshots docs -x2
