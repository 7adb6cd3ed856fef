#!/usr/bin/env bash
# The burn benchmark: a 700 MiB image burnt onto the virtual recorder at
# unlimited speed, against dd (bs=64k) and cdrskin onto a stdio: pseudo
# drive; then the drive buffer's lowest fill at a real 52x with 1, 2, 4, 8
# and 16 recorders while another process reads a large file from the same
# disk. The buffer runs are made as a normal user (as nobody when started by
# root): without CAP_SYS_NICE, as on a desktop. FILL_COUNTS picks the
# numbers of recorders ("1 2 4 8 16").
# usage: bench/burn.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: burn.sh BUILD_DIR}" && pwd)
CLI=$BUILD/src/cli/cdburner-cli
LIB=$BUILD/src/vrecorder/libvrecorder_aspi.so
SIZE_MB=700
SPEED52=9173   # 52 x 176.4 kB/s
FILL_MB=${FILL_MB:-200}

dir=$(mktemp -d)
reader=
cleanup() { [ -n "$reader" ] && kill "$reader" 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT
chmod 755 "$dir"
image=$dir/image.iso
head -c $((SIZE_MB * 1024 * 1024)) /dev/urandom >"$image"
chmod 644 "$image"

# Eight targets to an adapter, as the drive sweep looks for them.
address() { echo "$(($1 / 8)):$(($1 % 8)):0"; }

recorders() {  # recorders COUNT WRITE_SPEED: a configuration with COUNT blank CD-Rs
  local n
  for ((n = 0; n < $1; n++)); do
    printf '[recorder]\naddress = %s\nmedium = cd-r\ncapacity = 359849\nbacking = disc%d.img\nwrite_speed = %d\n\n' \
      "$(address "$n")" "$n" "$2"
  done >"$dir/vrec.conf"
  rm -f "$dir"/disc*.img "$dir"/disc*.img.state
}

# timed NAME COMMAND...: wall s, user s, system s, peak RSS kB into $dir/NAME.time
timed() {
  local name=$1; shift
  /usr/bin/time -f "%e %U %S %M" -o "$dir/$name.time" "$@" >"$dir/$name.log" 2>&1 ||
    { echo "$name failed:" >&2; tail -5 "$dir/$name.log" >&2; exit 1; }
}

recorders 1 0
timed ours env VRECORDER_CONFIG="$dir/vrec.conf" "$CLI" --no-checksum --aspi-library "$LIB" --device 0:0:0 "$image"
cmp -n $((SIZE_MB * 1024 * 1024)) "$image" "$dir/disc0.img" || { echo "the disc differs from the image" >&2; exit 1; }
rm -f "$dir"/disc*.img*
timed dd dd if="$image" of="$dir/copy.img" bs=64k
rm -f "$dir/copy.img"
# cdrskin offers stdio: drives to root only with a permissions folder in
# root's home; an ordinary user needs none.
run_as=()
[ "$(id -u)" = 0 ] && { chmod 777 "$dir"; run_as=(runuser -u nobody --); }
timed cdrskin "${run_as[@]}" cdrskin --allow_emulated_drives dev=stdio:"$dir/cdrskin.img" -tao -data "$image"
rm -f "$dir/cdrskin.img"

echo "Burning $SIZE_MB MiB from the page cache (wall s, CPU s, CPU s per GB, peak RSS MiB):"
awk -v mb=$SIZE_MB -v ours="$(cat "$dir/ours.time")" -v dd="$(cat "$dir/dd.time")" \
    -v cdr="$(cat "$dir/cdrskin.time")" 'BEGIN {
  split(ours, o, " "); split(dd, d, " "); split(cdr, c, " ")
  gb = mb / 1024
  printf "  cdburner-cli  %6.2f  %6.2f  %6.2f  %6.1f\n", o[1], o[2] + o[3], (o[2] + o[3]) / gb, o[4] / 1024
  printf "  dd bs=64k     %6.2f  %6.2f  %6.2f  %6.1f\n", d[1], d[2] + d[3], (d[2] + d[3]) / gb, d[4] / 1024
  printf "  cdrskin       %6.2f  %6.2f  %6.2f  %6.1f\n", c[1], c[2] + c[3], (c[2] + c[3]) / gb, c[4] / 1024
  wall = o[1] / d[1]; cpu = (o[2] + o[3]) / (c[2] + c[3] > 0 ? c[2] + c[3] : 0.01)
  printf "  wall ours/dd       %.2f (target <= 1.5)  %s\n", wall, wall <= 1.5 ? "met" : "MISSED"
  printf "  CPU ours/cdrskin   %.2f (target <= 1.0)  %s\n", cpu, cpu <= 1.0 ? "met" : "MISSED"
  printf "  peak RSS ours      %.1f MiB (target < 32)  %s\n", o[4] / 1024, o[4] < 32768 ? "met" : "MISSED"
}'

# The buffer test reads its image from the disk, not the page cache, while
# a competitor keeps the same disk busy reading the big image directly.
fill_image=$dir/fill.iso
head -c $((FILL_MB * 1024 * 1024)) "$image" >"$fill_image"
chmod 644 "$fill_image"
[ "$(id -u)" = 0 ] && run_as=(runuser -u "${BENCH_USER:-nobody}" --)
echo "Drive buffer at 52x ($SPEED52 kB/s), $FILL_MB MiB image, another process reading $SIZE_MB MiB from the same disk," \
  "burning as $("${run_as[@]}" id -un) (RLIMIT_NICE $("${run_as[@]}" bash -c 'ulimit -e')):"
for n in ${FILL_COUNTS:-1 2 4 8 16}; do
  recorders "$n" "$SPEED52"
  dd if="$fill_image" iflag=nocache count=0 status=none
  ( while :; do dd if="$image" of=/dev/null bs=1M iflag=direct status=none; done ) &
  reader=$!
  devices=()
  for ((i = 0; i < n; i++)); do devices+=(--device "$(address "$i")"); done
  "${run_as[@]}" env VRECORDER_CONFIG="$dir/vrec.conf" "$CLI" --no-checksum --aspi-library "$LIB" --write-speed 52x \
    "${devices[@]}" "$fill_image" >"$dir/fill$n.log" 2>&1 || { echo "  $n recorder(s): the burn failed" >&2; tail -8 "$dir/fill$n.log" >&2; exit 1; }
  kill "$reader"; wait "$reader" 2>/dev/null || true; reader=
  fills=$(grep -oE 'lowest drive buffer fill while writing: [0-9]+%' "$dir/fill$n.log" | grep -oE '[0-9]+' | paste -sd' ')
  lowest=$(tr ' ' '\n' <<<"$fills" | sort -n | head -1)
  printf '  %2d recorder(s): lowest fill %s%%; per drive: %s\n' "$n" "${lowest:-?}" "${fills:-unknown}"
  rm -f "$dir"/disc*.img "$dir"/disc*.img.state
done
