#!/usr/bin/env bash
# The header of 100,000 empty files: adding the folder to the image tree
# and building the file system (ISO 9660, Joliet, Rock Ridge), each timed,
# and the program's peak memory. Goals: the header built in 1 s at most,
# 64 MiB of memory at most.
# usage: bench/layout.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: layout.sh BUILD_DIR}" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$BUILD/bench/layoutbench" prepare "$dir/tree"
/usr/bin/time -f "%M" -o "$dir/peak" "$BUILD/bench/layoutbench" build "$dir/tree" >"$dir/out"
read -r files added built header <"$dir/out"
peak_kb=$(cat "$dir/peak")
printf 'layout: %d empty files: added to the tree in %.2f s, header (%d MiB) built in %.2f s, peak memory %d MiB\n' \
  "$files" "$added" $((header / 1048576)) "$built" $((peak_kb / 1024))
awk -v b="$built" -v p="$peak_kb" 'BEGIN {
  if (b > 1.0) print "layout: the header took more than 1 s";
  if (p > 65536) print "layout: more than 64 MiB of memory" }'
