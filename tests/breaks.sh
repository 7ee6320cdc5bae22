#!/usr/bin/env bash
# Puts each deliberate break of tests/breaks.txt into the program in turn,
# builds, runs the whole suite and says whether the suite caught it. The tree
# is left as it was. A suite worth keeping catches every break.
# Usage (from anywhere): tests/breaks.sh [ID ...]   (default: all)
# Builds in build-breaks/; prints "caught", "MISSED" or "n/a" (text not found
# once, or the break does not build) per break, then a count.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-breaks
"$root/scripts/deps.sh" && "$root/scripts/build.sh" "$build" >/dev/null || exit 1
rig=$("$root/scripts/audio-rig.sh" start $$) || rig=""
eval "$rig"
trap '"$root/scripts/audio-rig.sh" stop $$' EXIT
caught=0 missed=0
while IFS=$'\t' read -r id file from to; do
    [[ -z $id || $id == \#* ]] && continue
    [[ $# -gt 0 && " $* " != *" $id "* ]] && continue
    saved=$(mktemp)
    cp "$root/$file" "$saved"
    result=n/a
    if python3 - "$root/$file" "$from" "$to" <<'EOF'; then
import sys
path, old, new = sys.argv[1], sys.argv[2].replace("\\n", "\n"), sys.argv[3].replace("\\n", "\n")
text = open(path).read()
if text.count(old) != 1:
    sys.exit(1)
open(path, "w").write(text.replace(old, new))
EOF
        if cmake --build "$build" >/dev/null 2>&1; then
            if (cd "$build" && QT_QPA_PLATFORM=offscreen ctest --timeout 120 --stop-on-failure >/dev/null 2>&1); then
                result=MISSED missed=$((missed + 1))
            else
                result=caught caught=$((caught + 1))
            fi
        fi
    fi
    cp "$saved" "$root/$file" && rm -f "$saved"
    printf '%-32s %s\n' "$id" "$result"
done <"$root/tests/breaks.txt"
cmake --build "$build" >/dev/null 2>&1
echo "caught $caught, missed $missed"
