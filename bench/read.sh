#!/usr/bin/env bash
# The read benchmark: --read-image of a 700 MiB disc on the virtual recorder
# at the drive's maximum speed, and --check-disc of it against the image's
# .sha256, beside dd (bs=64k) of the recorder's backing file and the SHA-256
# of as many bytes alone; all from the page cache, taken in turn ROUNDS
# times (3), the ratios of the best of each in one run. The goal: ours at
# most 1.15 times the slower of dd and the SHA-256 alone.
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

# timed NAME COMMAND...: wall s, user s, system s appended to $dir/NAME.time
timed() {
  local name=$1; shift
  (cd "$dir" && /usr/bin/time -a -f "%e %U %S" -o "$dir/$name.time" "$@" >"$dir/$name.log" 2>&1) ||
    { echo "$name failed:" >&2; tail -5 "$dir/$name.log" >&2; exit 1; }
}

# The floor under ours: the SHA-256 of as many bytes from memory, on one core
# (a single stream's digest cannot be shared between cores).
sha_alone() {
  openssl speed -seconds 1 -bytes 262144 -evp sha256 2>/dev/null |
    awk -v bytes=$((SECTORS * 2048)) '$1 == "sha256" { sub(/k$/, "", $2); printf "%.3f 0 0\n", bytes / ($2 * 1000) }'
}
command -v openssl >/dev/null || { echo "read.sh: openssl is needed for the SHA-256 alone" >&2; exit 1; }

cat "$dir/disc0.img" >/dev/null  # into the page cache, for all alike
for ((round = 0; round < ${ROUNDS:-3}; round++)); do
  timed dd dd if="$dir/disc0.img" of="$dir/copy.iso" bs=64k
  rm -f "$dir/copy.iso"
  sha_alone >>"$dir/sha.time"
  timed ours env VRECORDER_CONFIG="$dir/vrec.conf" "$CLI" --aspi-library "$LIB" --read-image "$dir/out.iso" --force
  cmp "$dir/disc0.img" "$dir/out.iso" || { echo "the image differs from the disc" >&2; exit 1; }
  rm -f "$dir/out.iso"
  timed check env VRECORDER_CONFIG="$dir/vrec.conf" "$CLI" --aspi-library "$LIB" --check-disc "$dir/out.iso.sha256"
  rm -f "$dir/out.iso.sha256"
done

best() { sort -n "$dir/$1.time" | head -1; }
echo "Reading a 700 MiB disc, from the page cache, best of ${ROUNDS:-3} (wall s, CPU s):"
awk -v ours="$(best ours)" -v check="$(best check)" -v dd="$(best dd)" -v sha="$(best sha)" 'BEGIN {
  split(ours, o, " "); split(check, c, " "); split(dd, d, " "); split(sha, h, " ")
  printf "  cdburner-cli --read-image       %6.2f s  %6.2f s CPU (with its SHA-256)\n", o[1], o[2] + o[3]
  printf "  cdburner-cli --check-disc .sha256 %4.2f s  %6.2f s CPU\n", c[1], c[2] + c[3]
  printf "  dd bs=64k                       %6.2f s  %6.2f s CPU\n", d[1], d[2] + d[3]
  printf "  SHA-256 alone, from memory      %6.2f s  (openssl speed)\n", h[1]
  slower = d[1] > h[1] ? d[1] : h[1]
  printf "  read/slower of the two %.2f, check/slower %.2f (goal: 1.15 or less)  %s; ours/dd %.2f, SHA-256 alone/dd %.2f\n",
    o[1] / slower, c[1] / slower, o[1] / slower <= 1.15 && c[1] / slower <= 1.15 ? "met" : "MISSED", o[1] / d[1], h[1] / d[1]
}'
