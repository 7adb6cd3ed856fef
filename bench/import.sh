#!/usr/bin/env bash
# Importing a session: a disc of 100,000 small files in 100 folders (our
# own --write-image of them, Rock Ridge and Joliet) on the virtual
# recorder, its tree read back and listed by "cdburner-cli --list-files",
# timed with its peak memory. The goal: 2 s at most.
# usage: bench/import.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: import.sh BUILD_DIR}" && pwd)
CLI=$BUILD/src/cli/cdburner-cli
LIB=$BUILD/src/vrecorder/libvrecorder_aspi.so
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 - "$dir/tree" <<'PY'
import os, sys
root = sys.argv[1]
for d in range(100):
    folder = os.path.join(root, "folder-%03d" % d)
    os.makedirs(folder)
    for f in range(1000):
        with open(os.path.join(folder, "a-file-with-a-longer-name-%04d.txt" % f), "w") as out:
            out.write("x")
PY
"$CLI" --folder "$dir/tree" --write-image "$dir/disc0.img" >/dev/null
sectors=$(($(stat -c %s "$dir/disc0.img") / 2048))
printf '[recorder]\naddress = 0:0:0\nmedium = dvd+r\nreads = cd-r dvd+r\nwrites = cd-r dvd+r\nfeature_2a = yes\nmedium_state = closed\nrecorded = %d\nbacking = disc0.img\n' \
  "$sectors" >"$dir/vrec.conf"
(cd "$dir" && VRECORDER_CONFIG="$dir/vrec.conf" /usr/bin/time -f "%e %M" -o "$dir/time" \
  "$CLI" --aspi-library "$LIB" --list-files >"$dir/list")
read -r seconds peak_kb <"$dir/time"
printf 'import: %d entries of %d sectors listed from the recorder in %.2f s, peak memory %d MiB\n' \
  "$(wc -l <"$dir/list")" "$sectors" "$seconds" $((peak_kb / 1024))
awk -v s="$seconds" 'BEGIN { if (s > 2.0) print "import: more than 2 s" }'
