#!/usr/bin/env bash
# completion.sh COMPLETION CLI VRECORDER: what bash offers after a line
# typed so far, with the program and the virtual recorder as installed.
set -uo pipefail
completion=$(realpath "$1") cli=$(realpath "$2") vrecorder=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/images/sub"
ln -s "$cli" "$work/bin/cdburner-cli"
PATH=$work/bin:$PATH
touch "$work/images/a.iso" "$work/images/B.ISO" "$work/images/notes.txt"
printf '[recorder]\naddress = 0:0:0\nmedium = cd-r\nbacking = %s/d0.img\n[recorder]\naddress = 0:1:0\nmedium = cd-r\nbacking = %s/d1.img\n' \
    "$work" "$work" >"$work/vrecorder.conf"
export VRECORDER_CONFIG=$work/vrecorder.conf
source "$completion"

failures=0
# expect LINE EXPECTED...: the sorted offers for LINE (completed at its end).
expect() {
    local line=$1; shift
    COMP_LINE=$line COMP_POINT=${#line}
    read -r -a COMP_WORDS <<<"$line"
    [[ $line =~ [[:space:]]$ ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _cdburner_cli 2>/dev/null
    local got want
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    want=$(printf '%s\n' "$@" | sort | xargs)
    if [ "$got" != "$want" ]; then
        echo "\"$line\": offered [$got], expected [$want]" >&2
        failures=$((failures + 1))
    fi
}

lib="--aspi-library $vrecorder"
expect "cdburner-cli --no-c" --no-checksum --no-close
expect "cdburner-cli --fin" --finalize-disc
expect "cdburner-cli $lib --device " 0:0:0 0:1:0
# bash replaces only what follows the last colon
expect "cdburner-cli $lib --device 0:1" 1:0
expect "cdburner-cli $lib --write-speed "
cd "$work/images"
expect "cdburner-cli --verify " a.iso B.ISO sub
expect "cdburner-cli s" sub
expect "cdburner-cli --aspi-library n" notes.txt
expect "cdburner-cli --folder " sub
expect "cdburner-cli --write-image n" notes.txt
expect "cdburner-cli --volume-id "

[ $failures -eq 0 ] || exit 1
echo "completion offers the options, the images and the --list addresses"
