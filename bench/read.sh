#!/usr/bin/env bash
# The read benchmark: --read-image of a 700 MiB disc on the virtual recorder
# at the drive's maximum speed, against dd (bs=64k) of the recorder's
# backing file; both from the page cache, the ratio in one run.
# usage: bench/read.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: read.sh BUILD_DIR}" && pwd)
CLI=$BUILD/src/cli/cdburner-cli
LIB=$BUILD/src/vrecorder/libvrecorder_aspi.so
SECTORS=358400  # 700 MiB

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
head -c $((SECTORS * 2048)) /dev/urandom >"$dir/disc0.img"
printf '[recorder]\naddress = 0:0:0\nmedium = cd-r\ncapacity = 359849\nmedium_state = closed\nrecorded = %d\nbacking = disc0.img\n' \
  "$SECTORS" >"$dir/vrec.conf"

# timed NAME COMMAND...: wall s, user s, system s into $dir/NAME.time
timed() {
  local name=$1; shift
  (cd "$dir" && /usr/bin/time -f "%e %U %S" -o "$dir/$name.time" "$@" >"$dir/$name.log" 2>&1) ||
    { echo "$name failed:" >&2; tail -5 "$dir/$name.log" >&2; exit 1; }
}

cat "$dir/disc0.img" >/dev/null  # into the page cache, for both alike
timed dd dd if="$dir/disc0.img" of="$dir/copy.iso" bs=64k
rm -f "$dir/copy.iso"
timed ours env VRECORDER_CONFIG="$dir/vrec.conf" "$CLI" --aspi-library "$LIB" --read-image "$dir/out.iso"
cmp "$dir/disc0.img" "$dir/out.iso" || { echo "the image differs from the disc" >&2; exit 1; }

echo "Reading a 700 MiB disc into an image, from the page cache (wall s, CPU s):"
awk -v ours="$(cat "$dir/ours.time")" -v dd="$(cat "$dir/dd.time")" 'BEGIN {
  split(ours, o, " "); split(dd, d, " ")
  printf "  cdburner-cli --read-image  %6.2f s  %6.2f s CPU (with its SHA-256)\n", o[1], o[2] + o[3]
  printf "  dd bs=64k                  %6.2f s  %6.2f s CPU\n", d[1], d[2] + d[3]
  printf "  ours/dd %.2f (goal: 1.5 or less)\n", o[1] / d[1]
}'
