#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures the program against a bare Qt Widgets window linking the same Qt
# modules, and prints each figure beside its target:
#   start-up to the first shown window (median of runs), target <= 1.3x bare;
#   resident memory after start-up, target <= 1.5x bare;
#   processor use over 60 s idle with a run armed, target < 0.2% of one core;
#   settings load and save of 1000 entries per table, target < 100 ms each.
# Uses a private X display when Xvfb is there, else the offscreen platform.
# Usage: bench/measure.sh [build-folder] [runs] [idle-seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-15}
idle=${3:-60}
cmake --build "$build" --target bench_startup_app bench_startup_bare bench_settings >/dev/null

cleanup() { [[ -n ${xvfb:-} ]] && kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
if command -v Xvfb >/dev/null; then
  export DISPLAY=:$((70 + RANDOM % 20))
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  export QT_QPA_PLATFORM=xcb
  platform="xcb on Xvfb"
else
  export QT_QPA_PLATFORM=offscreen
  platform=offscreen
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

app=$build/bench/bench_startup_app
bare=$build/bench/bench_startup_bare

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
runMany() { for ((i = 0; i < runs; ++i)); do "$@" 2>/dev/null; done | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v <= t) ? "met" : "MISSED" }'; }

echo "Vigiltide measurements ($platform, $runs runs each, $(nproc) cores)"
"$bare" startup >/dev/null 2>&1 || true # warm the file cache for both
"$app" startup >/dev/null 2>&1 || true
bareStart=$(runMany "$bare" startup)
appStart=$(runMany "$app" startup)
r=$(ratio "$appStart" "$bareStart")
printf "start-up to first window: %s ms, bare window %s ms, ratio %s (target <= 1.3: %s)\n" \
  "$appStart" "$bareStart" "$r" "$(verdict "$r" 1.3)"

bareRss=$(runMany "$bare" rss)
appRss=$(runMany "$app" rss)
r=$(ratio "$appRss" "$bareRss")
printf "resident memory after start-up: %s KiB, bare window %s KiB, ratio %s (target <= 1.5: %s)\n" \
  "$appRss" "$bareRss" "$r" "$(verdict "$r" 1.5)"

cpu=$("$app" idle "$idle" 2>/dev/null)
printf "processor use over %s s idle with a run armed: %s%% of one core (target < 0.2: %s)\n" \
  "$idle" "$cpu" "$(verdict "$cpu" 0.2)"

"$build/bench/bench_settings" 2>/dev/null | while read -r line; do
  ms=$(sed -E 's/.*median ([0-9.]+) ms.*/\1/' <<<"$line")
  printf "%s (target < 100 ms: %s)\n" "$line" "$(verdict "$ms" 100)"
done
