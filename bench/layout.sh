#!/usr/bin/env bash
# The header of 300,000 empty files in 20,000 folders: adding the folder to
# the image tree and building the file system (ISO 9660, Joliet, Rock
# Ridge), each timed, then the whole of "cdburner-cli --folder DIR
# --print-size" timed with its peak memory. Goals for the latter: 3 s and
# 200 MiB at most.
# usage: bench/layout.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: layout.sh BUILD_DIR}" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$BUILD/bench/layoutbench" prepare "$dir/tree"
"$BUILD/bench/layoutbench" build "$dir/tree" >"$dir/out"
read -r files added built header <"$dir/out"
printf 'layout: %d empty files: added to the tree in %.2f s, header (%d MiB) built in %.2f s\n' \
  "$files" "$added" $((header / 1048576)) "$built"
/usr/bin/time -f "%e %M" -o "$dir/cli" "$BUILD/src/cli/cdburner-cli" --folder "$dir/tree" --print-size >/dev/null
read -r seconds peak_kb <"$dir/cli"
printf 'layout: cdburner-cli --folder --print-size in %.2f s, peak memory %d MiB\n' "$seconds" $((peak_kb / 1024))
awk -v s="$seconds" -v p="$peak_kb" 'BEGIN {
  if (s > 3.0) print "layout: --print-size took more than 3 s";
  if (p > 204800) print "layout: more than 200 MiB of memory" }'
