#!/usr/bin/env bash
# The BD burn benchmark: a 2 GiB image at 16x BD-R (71,920 kB/s) onto 1, 2
# and 4 recorders at once, while another process reads the image straight
# from the disk; the lowest drive buffer fill of each run (goal: 75 % or
# more with 1 and 2 recorders). The recorders have a BD writer's 4 MiB
# buffer, which 16x empties in 58 ms. The burns are made as a normal user
# (as nobody when started by root): without CAP_SYS_NICE, as on a desktop.
# BD_COUNTS picks the numbers of recorders ("1 2 4").
# usage: bench/burn-bd.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: burn-bd.sh BUILD_DIR}" && pwd)
CLI=$BUILD/src/cli/cdburner-cli
LIB=$BUILD/src/vrecorder/libvrecorder_aspi.so
SIZE_MB=${BD_SIZE_MB:-2048}
SPEED16=71920  # 16 x 4495 kB/s

# A real recorder writes onto its disc, not onto this machine's disk: the
# virtual discs live in memory (tmpfs) when there is one, so that the disk
# serves only the burner's reading and the competing reader.
dir=$(mktemp -d)
discs=$(mktemp -d -p "${BD_DISC_DIR:-$([ -d /dev/shm ] && echo /dev/shm || echo "$dir")}")
reader=
cleanup() { [ -n "$reader" ] && kill "$reader" 2>/dev/null; rm -rf "$dir" "$discs"; }
trap cleanup EXIT
image=$dir/image.iso
head -c $((SIZE_MB * 1024 * 1024)) /dev/urandom >"$image"
run_as=()
[ "$(id -u)" = 0 ] && { chmod 755 "$dir"; chmod 644 "$image"; chmod 777 "$discs"; run_as=(runuser -u "${BENCH_USER:-nobody}" --); }

address() { echo "$(($1 / 8)):$(($1 % 8)):0"; }

recorders() {  # recorders COUNT: COUNT blank single-layer BD-Rs writing at 16x
  local n
  for ((n = 0; n < $1; n++)); do
    printf '[recorder]\naddress = %s\nmedium = bd-r\nreads = bd-r\nwrites = bd-r\nbacking = %s/disc%d.img\n' "$(address "$n")" "$discs" "$n"
    printf 'max_write_speed = %d\nwrite_speed = %d\nbuffer_size = 4194304\n\n' "$SPEED16" "$SPEED16"
  done >"$dir/vrec.conf"
  rm -f "$discs"/disc*.img "$discs"/disc*.img.state
}

echo "Drive buffer at 16x BD ($SPEED16 kB/s), $SIZE_MB MiB image, another process reading it from the same disk," \
  "burning as $("${run_as[@]}" id -un) (RLIMIT_NICE $("${run_as[@]}" bash -c 'ulimit -e')):"
for n in ${BD_COUNTS:-1 2 4}; do
  recorders "$n"
  dd if="$image" iflag=nocache count=0 status=none
  ( while :; do dd if="$image" of=/dev/null bs=1M iflag=direct status=none; done ) &
  reader=$!
  devices=()
  for ((i = 0; i < n; i++)); do devices+=(--device "$(address "$i")"); done
  start=$(date +%s.%N)
  "${run_as[@]}" env VRECORDER_CONFIG="$dir/vrec.conf" "$CLI" --any-medium --no-checksum --aspi-library "$LIB" --write-speed 16x \
    "${devices[@]}" "$image" >"$dir/fill$n.log" 2>&1 ||
    { echo "  $n recorder(s): the burn failed" >&2; tail -8 "$dir/fill$n.log" >&2; exit 1; }
  end=$(date +%s.%N)
  kill "$reader"; wait "$reader" 2>/dev/null || true; reader=
  cmp -n $((SIZE_MB * 1024 * 1024)) "$image" "$discs/disc0.img" || { echo "the disc differs from the image" >&2; exit 1; }
  fills=$(grep -oE 'lowest drive buffer fill while writing: [0-9]+%' "$dir/fill$n.log" | grep -oE '[0-9]+' | paste -sd' ')
  lowest=$(tr ' ' '\n' <<<"$fills" | sort -n | head -1)
  verdict=
  [ "$n" -le 2 ] && verdict=$([ "${lowest:-0}" -ge 75 ] && echo "  met" || echo "  MISSED (goal 75 %)")
  awk -v n="$n" -v low="${lowest:-?}" -v fills="${fills:-unknown}" -v s="$start" -v e="$end" -v v="$verdict" \
    'BEGIN { printf "  %d recorder(s): lowest fill %s%%; per drive: %s; %.1f s%s\n", n, low, fills, e - s, v }'
  rm -f "$discs"/disc*.img "$discs"/disc*.img.state
done
