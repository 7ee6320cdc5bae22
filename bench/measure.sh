#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures the installed program against a bare Qt Widgets window linking the
# same Qt modules (bench_startup_bare), and prints each figure beside its
# target:
#   start-up, from exec to the first map of the main window, target <= 1.3x
#   bare;
#   resident memory once start-up is over, target <= 1.5x bare;
#   processor use over 60 s idle with a run armed, target < 0.2% of one core;
#   settings load and save of 1000 entries per table, target < 100 ms each.
# The program is installed with cmake --install into a scratch folder and
# started from there. Both programs run on a private Xvfb with a private
# session bus that has a tray host and a notification service, so the tray
# icon is made as on a desktop; bench_mapwatch watches them from outside, as an
# X client on the root window.
# The two alternate, start by start. Each start of the program is paired with
# the bare window's start beside it, and the time ratio is the median of
# these pairs' ratios: other work on this shared machine comes and goes over
# seconds, slowing a pair alike, but it moves the two medians apart by a tenth
# from one measurement to the next. The medians of each are printed too.
# Usage: bench/measure.sh [build-folder] [starts] [idle-seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-31}
memoryRuns=9
idle=${3:-60}
# Fewer starts leave the median at the mercy of the machine's other work.
((runs >= 9)) || { echo "measure.sh: at least 9 runs each" >&2; exit 1; }

for tool in Xvfb dbus-daemon; do
  command -v "$tool" >/dev/null || { echo "measure.sh: $tool is missing (scripts/deps.sh)" >&2; exit 1; }
done
cmake --build "$build" --target vigiltide vigiltide_manpage bench_startup_bare bench_mapwatch \
  bench_fakedesktop bench_settings >/dev/null

tmp=$(mktemp -d)
xvfb="" bus="" desktop=""
# The speech daemon the program starts lingers after its last client; it is
# found by the pid file it keeps in the scratch folders.
stopSpeechDaemon() {
  local pidfile pid
  while IFS= read -r pidfile; do
    pid=$(<"$pidfile")
    [[ $pid =~ ^[0-9]+$ ]] && kill "$pid" 2>/dev/null || true
  done < <(find "$tmp" -name 'speech-dispatcher.pid' 2>/dev/null)
}
cleanup() {
  local status=$?
  ((status)) && [[ -s $tmp/programs.log ]] && tail -n 20 "$tmp/programs.log" >&2
  for pid in $desktop $bus $xvfb; do kill "$pid" 2>/dev/null || true; done
  stopSpeechDaemon
  rm -rf "$tmp"
}
trap cleanup EXIT

DESTDIR=$tmp/stage cmake --install "$build" --prefix /usr >/dev/null
app=$tmp/stage/usr/bin/vigiltide
bare=$build/bench/bench_startup_bare
watch=$build/bench/bench_mapwatch

# A user of its own: settings, caches and the speech daemon's files stay here.
mkdir -p "$tmp/home" "$tmp/runtime"
chmod 700 "$tmp/runtime"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_CACHE_HOME=$tmp/home/.cache
export XDG_DATA_HOME=$tmp/home/.local/share XDG_RUNTIME_DIR=$tmp/runtime
unset WAYLAND_DISPLAY XDG_SESSION_TYPE QT_LINUX_ACCESSIBILITY_ALWAYS_ON
export QT_QPA_PLATFORM=xcb

# -displayfd names a free display once the server is ready. -noreset: the
# server would otherwise reset each time the last client leaves, refusing
# whoever connects meanwhile.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$tmp/display" 2>/dev/null &
xvfb=$!
for ((i = 0; i < 100; ++i)); do [[ -s $tmp/display ]] && break; sleep 0.1; done
[[ -s $tmp/display ]] || { echo "measure.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$tmp/display")

{ read -r DBUS_SESSION_BUS_ADDRESS; read -r bus; } < <(dbus-daemon --session --fork \
  --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS
"$build/bench/bench_fakedesktop" >"$tmp/desktop" &
desktop=$!
for ((i = 0; i < 100; ++i)); do grep -q ready "$tmp/desktop" && break; sleep 0.1; done
grep -q ready "$tmp/desktop" || { echo "measure.sh: no fake desktop on the bus" >&2; exit 1; }

# What the programs say goes to a log, shown only when something fails. A
# start killed at its map leaves its single-instance socket behind, as only a
# crash does on a desktop; it is cleared, so that each start is measured as a
# start after a normal close.
run() {
  "$watch" "$@" 2>>"$tmp/programs.log"
  rm -f "$tmp"/runtime/vigiltide-*
}

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
column() { awk -v c="$1" '{ print $c }' "$2" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v <= t) ? "met" : "MISSED" }'; }
# Runs "$@" for the program and for the bare window, alternating which goes
# first, and appends "program bare" lines of the column asked for to a file.
alternate() {
  local column=$1 out=$2 n=$3 a b i
  shift 3
  for ((i = 0; i < n; ++i)); do
    if ((i % 2)); then
      a=$(run "$@" "$app")
      b=$(run "$@" "$bare")
    else
      b=$(run "$@" "$bare")
      a=$(run "$@" "$app")
    fi
    echo "$(awk -v c="$column" '{ print $c }' <<<"$a") $(awk -v c="$column" '{ print $c }' <<<"$b")" >>"$out"
  done
}

echo "Vigiltide measurements (xcb on Xvfb, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
# Warms the file cache for both; the program's first close writes the
# settings file that its later starts read, as a user's would.
run --settle 0 "$bare" >/dev/null
run --settle 0 "$app" >/dev/null

# Each start is killed at its map, so that nothing it does after that (the
# speech engine listing its voices) runs on into the next.
alternate 1 "$tmp/times.txt" "$runs" --time-only
appStart=$(column 1 "$tmp/times.txt")
bareStart=$(column 2 "$tmp/times.txt")
r=$(awk '{ print $1 / $2 }' "$tmp/times.txt" | median | xargs printf "%.2f")
printf "start-up to the main window's first map: %s ms, bare window %s ms (medians of %s starts each), ratio %s (median of the pairs; target <= 1.3: %s)\n" \
  "$appStart" "$bareStart" "$runs" "$r" "$(verdict "$r" 1.3)"

# Memory hardly varies from start to start; these starts run until each
# program has used no processor time for a second.
alternate 2 "$tmp/memory.txt" "$memoryRuns"
appRss=$(column 1 "$tmp/memory.txt")
bareRss=$(column 2 "$tmp/memory.txt")
r=$(ratio "$appRss" "$bareRss")
printf "resident memory after start-up: %s KiB, bare window %s KiB (medians of %s starts each), ratio %s (target <= 1.5: %s)\n" \
  "$appRss" "$bareRss" "$memoryRuns" "$r" "$(verdict "$r" 1.5)"

# --start arms a run as soon as the window is up.
cpu=$(run --idle "$idle" "$app" --start | awk '{ print $3 }')
# The kernel counts a process's processor time in clock ticks.
step=$(awk -v t="$(getconf CLK_TCK)" -v s="$idle" 'BEGIN { printf "%.3f", 100 / t / s }')
printf "processor use over %s s idle with a run armed: %s%% of one core, in steps of %s%% (target < 0.2: %s)\n" \
  "$idle" "$cpu" "$step" "$(verdict "$cpu" 0.2)"

"$build/bench/bench_settings" 2>/dev/null | while read -r line; do
  ms=$(sed -E 's/.*median ([0-9.]+) ms.*/\1/' <<<"$line")
  printf "%s (target < 100 ms: %s)\n" "$line" "$(verdict "$ms" 100)"
done
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
