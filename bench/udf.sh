#!/usr/bin/env bash
# What --udf costs. The header of 100,005 empty files (6,667 folders of 15)
# with UDF: "cdburner-cli --folder DIR --udf --print-size" timed with its
# peak memory (goals: 1.5 s and 96 MiB at most). Then a folder of 10,000
# files, 2 GiB in all, written with --write-image without and with --udf,
# in the page cache (goal: a ratio of 1.05 at most).
# usage: bench/udf.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: udf.sh BUILD_DIR}" && pwd)
CLI=$BUILD/src/cli/cdburner-cli
FILES=${FILES:-10000}
TOTAL_MB=${TOTAL_MB:-2048}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$BUILD/bench/layoutbench" prepare "$dir/tree" 6667
/usr/bin/time -f "%e %M" -o "$dir/cli" "$CLI" --folder "$dir/tree" --udf --print-size >/dev/null
read -r seconds peak_kb <"$dir/cli"
printf 'udf: 100,005 empty files, --udf --print-size in %.2f s, peak memory %d MiB\n' "$seconds" $((peak_kb / 1024))
awk -v s="$seconds" -v p="$peak_kb" 'BEGIN {
  if (s > 1.5) print "udf: --print-size took more than 1.5 s";
  if (p > 98304) print "udf: more than 96 MiB of memory" }'
rm -rf "$dir/tree"

# The files: one random stream cut into equal pieces, 100 to a folder.
folder=$dir/folder
mkdir -p "$folder"
size=$(( (TOTAL_MB * 1024 * 1024 + FILES - 1) / FILES ))
head -c $((TOTAL_MB * 1024 * 1024)) /dev/urandom | (cd "$folder" && split -b "$size" -a 4 -d - f)
for ((d = 0; d < (FILES + 99) / 100; d++)); do
  sub=$(printf 'd%02d' "$d")
  mkdir "$folder/$sub"
  mv "$folder"/f"$(printf '%02d' "$d")"?? "$folder/$sub/"
done
cat "$folder"/*/* >/dev/null

# timed NAME ARGS...: the wall time of one --write-image, the image removed after.
timed() {
  local name=$1; shift
  /usr/bin/time -f "%e" -o "$dir/$name.time" "$CLI" --folder "$folder" "$@" --write-image "$dir/$name.iso" \
    >"$dir/$name.log" 2>&1 || { cat "$dir/$name.log" >&2; echo "udf: $name failed" >&2; exit 1; }
  rm -f "$dir/$name.iso" "$dir/$name.iso.sha256"
  cat "$dir/$name.time"
}
plain=$(timed plain)
udf=$(timed udf --udf)
ratio=$(awk -v a="$udf" -v b="$plain" 'BEGIN { printf "%.2f", a / b }')
echo "udf: $FILES files, $TOTAL_MB MiB, --write-image: without --udf ${plain} s, with ${udf} s, ratio $ratio"
awk -v r="$ratio" 'BEGIN { if (r > 1.05) print "udf: --udf costs more than 5%" }'
