#!/usr/bin/env bash
# Times our file digest (MD5 or SHA-256) against openssl and the coreutils
# tool on one 700 MB file held in the page cache: several interleaved
# rounds, best of each.
# usage: bench/digest.sh md5|sha256 PATH/TO/digestbench [rounds]
set -euo pipefail
usage="usage: digest.sh md5|sha256 PATH/TO/digestbench [rounds]"
KIND=${1:?$usage}
OURS=${2:?$usage}
case "$KIND" in
  md5) TITLE=MD5 HEX=32 ROUNDS=${3:-7} ;;
  sha256) TITLE=SHA-256 HEX=64 ROUNDS=${3:-5} ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
PEER=${KIND}sum
SIZE_MB=700

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
file=$dir/image.iso
head -c $((SIZE_MB * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null   # into the page cache

now_ns() { date +%s%N; }

# run NAME COMMAND...: times one run, keeps the best time and the digest.
declare -A best digest
run() {
  local name=$1; shift
  local t0 t1 out
  t0=$(now_ns)
  out=$("$@")
  t1=$(now_ns)
  local ms=$(( (t1 - t0) / 1000000 ))
  if [ -z "${best[$name]:-}" ] || [ "$ms" -lt "${best[$name]}" ]; then best[$name]=$ms; fi
  # The first run of hex digits of the digest's length, wherever the tool prints it.
  digest[$name]=$(grep -oE "[0-9a-f]{$HEX}" <<<"$out" | head -1)
}

for ((i = 0; i < ROUNDS; i++)); do
  run ours "$OURS" "$KIND" "$file"
  run openssl openssl dgst "-$KIND" "$file"
  run "$PEER" "$PEER" "$file"
done

if [ "${digest[ours]}" != "${digest[openssl]}" ] || [ "${digest[ours]}" != "${digest[$PEER]}" ]; then
  echo "digests differ: ours ${digest[ours]} openssl ${digest[openssl]} $PEER ${digest[$PEER]}" >&2
  exit 1
fi

echo "$TITLE of $SIZE_MB MiB from the page cache, best of $ROUNDS: ${digest[ours]}"
printf '  %-10s %6d ms\n' ours "${best[ours]}" openssl "${best[openssl]}" "$PEER" "${best[$PEER]}"
awk -v o="${best[ours]}" -v s="${best[openssl]}" -v m="${best[$PEER]}" -v peer="$PEER" 'BEGIN {
  printf "  ours/openssl %.3f (limit 1.05)\n  ours/%s %.3f (limit 1.00)\n", o / s, peer, o / m
  if (o > 1.05 * s || o >= m) { print "  SLOWER THAN ALLOWED"; exit 1 }
}'
