#!/usr/bin/env bash
# The image-file benchmark: a folder of 10,000 files, 2 GiB in all (100
# folders of 100), written as an image with "cdburner-cli --folder DIR
# --write-image FILE" and with "xorriso -as mkisofs -R -J -o FILE DIR",
# one run each with the folder in the page cache, and the ratio of their
# wall times (ours / xorriso; the goal is 1.0 or less). Ours syncs the
# image to the storage before it names it written; xorriso does not, so a
# second ratio times xorriso followed by a sync of its image, the same
# promise that the bytes are on the disk.
# usage: bench/writeimage.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: writeimage.sh BUILD_DIR}" && pwd)
CLI=$BUILD/src/cli/cdburner-cli
FILES=${FILES:-10000}
TOTAL_MB=${TOTAL_MB:-2048}

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
folder=$dir/folder
mkdir -p "$folder"

# The files: one random stream cut into equal pieces, 100 to a folder.
size=$(( (TOTAL_MB * 1024 * 1024 + FILES - 1) / FILES ))
head -c $((TOTAL_MB * 1024 * 1024)) /dev/urandom | (cd "$folder" && split -b "$size" -a 4 -d - f)
for ((d = 0; d < (FILES + 99) / 100; d++)); do
  sub=$(printf 'd%02d' "$d")
  mkdir "$folder/$sub"
  mv "$folder"/f"$(printf '%02d' "$d")"?? "$folder/$sub/"
done
cat "$folder"/*/* >/dev/null  # into the page cache, for both

# timed NAME COMMAND...: the wall time in seconds, the output removed after.
timed() {
  local name=$1; shift
  /usr/bin/time -f "%e" -o "$dir/$name.time" "$@" >"$dir/$name.log" 2>&1 ||
    { cat "$dir/$name.log" >&2; echo "writeimage: $name failed" >&2; exit 1; }
  rm -f "$dir"/*.iso "$dir"/*.iso.sha256
  cat "$dir/$name.time"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

theirs=$(timed xorriso xorriso -as mkisofs -quiet -R -J -o "$dir/xorriso.iso" "$folder")
synced=$(timed xorriso-sync sh -c 'xorriso -as mkisofs -quiet -R -J -o "$1" "$2" && sync "$1"' sh \
  "$dir/xorriso.iso" "$folder")
ours=$(timed ours "$CLI" --folder "$folder" --write-image "$dir/ours.iso")
echo "write-image: $FILES files, $TOTAL_MB MiB; cdburner-cli --folder --write-image"
echo "  ours ${ours} s, xorriso -as mkisofs -R -J ${theirs} s, ratio $(ratio "$ours" "$theirs")"
echo "  with its image synced as ours is: xorriso ... && sync FILE ${synced} s, ratio $(ratio "$ours" "$synced")"
