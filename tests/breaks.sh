#!/usr/bin/env bash
# Puts each deliberate break of tests/breaks.txt (or those named) into the
# program in turn, builds in build-breaks/, runs the whole suite and says
# whether it caught the break; n/a: the text is not there once, or the break
# does not build. The tree is left as it was. Run it after changing the tests.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd) build=$root/build-breaks
"$root/scripts/deps.sh" && "$root/scripts/build.sh" "$build" >/dev/null || exit 1
eval "$("$root/scripts/audio-rig.sh" start $$)"
trap '"$root/scripts/audio-rig.sh" stop $$' EXIT
while IFS=$'\t' read -r id file from to; do
    [[ -z $id || $id == \#* || ($# -gt 0 && " $* " != *" $id "*) ]] && continue
    cp "$root/$file" "$build/saved" && result=n/a
    if python3 -c 'import sys; p, a, b = sys.argv[1], *(s.replace("\\n", "\n") for s in sys.argv[2:])
t = open(p).read(); assert t.count(a) == 1; open(p, "w").write(t.replace(a, b))' \
        "$root/$file" "$from" "$to" 2>/dev/null && cmake --build "$build" >/dev/null 2>&1; then
        # In the order the tests are declared, the quick ones first, rather
        # than the slowest first as ctest's own timings would have it.
        rm -f "$build/Testing/Temporary/CTestCostData.txt"
        (cd "$build" && QT_QPA_PLATFORM=offscreen ctest -j2 --timeout 120 --stop-on-failure \
            >/dev/null 2>&1) && result=MISSED || result=caught
    fi
    cp "$build/saved" "$root/$file"
    printf '%-34s %s\n' "$id" "$result"
done <"$root/tests/breaks.txt"
cmake --build "$build" >/dev/null 2>&1
