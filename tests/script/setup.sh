#!/usr/bin/env bash
# setup.sh RUN: the run script's package set-up against a scripted apt-get,
# as a mirror caught mid-sync answers it. Nothing is installed.
set -uo pipefail
run=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
# Nothing is installed; dpkg and sleep only leave a trace.
printf '#!/bin/sh\nexit 1\n' >"$work/bin/dpkg-query"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/dpkg"
printf '#!/bin/sh\necho sleep >>"$CALLS"\n' >"$work/bin/sleep"
# apt-get: UPDATES is what each update answers in turn (ok, size, net),
# the last one again when they run out; INSTALL is ok or fail.
cat >"$work/bin/apt-get" <<'STUB'
#!/bin/bash
echo "$1" >>"$CALLS"
if [ "$1" = update ]; then
  n=$(grep -c '^update$' "$CALLS")
  read -r -a answers <<<"$UPDATES"
  answer=${answers[$((n <= ${#answers[@]} ? n - 1 : ${#answers[@]} - 1))]}
  case $answer in
    ok) exit 0 ;;
    size) echo "W: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress? [IP: 1.2.3.4 80]"
          echo "E: Some index files failed to download. They have been ignored, or old ones used instead."; exit 100 ;;
    net) echo "W: Failed to fetch http://deb.debian.org/debian/dists/bookworm/InRelease  Temporary failure resolving 'deb.debian.org'"; exit 100 ;;
  esac
fi
[ "$INSTALL" = ok ] && exit 0
echo " wine32:i386 : Depends: libwine:i386 (= 8.0) but it is not going to be installed"
echo "E: Unable to correct problems, you have held broken packages."
exit 100
STUB
chmod +x "$work/bin/"*

failures=0
# expect WHAT COMMAND UPDATES INSTALL CODE UPDATES_RUN SLEEPS MESSAGE: the
# exit code, the calls, and the one line said (empty: nothing).
expect() {
  local what=$1 command=$2 code=$5 updates=$6 sleeps=$7 message=$8
  : >"$work/calls"
  local err got
  err=$(CALLS=$work/calls UPDATES=$3 INSTALL=$4 TMPDIR=$work PATH=$work/bin:$PATH "$run" "$command" 2>&1 >/dev/null)
  got=$?
  local ran slept lines
  ran=$(grep -c '^update$' "$work/calls") slept=$(grep -c '^sleep$' "$work/calls")
  lines=$(printf '%s' "$err" | grep -c '')
  if [ "$got" != "$code" ] || [ "$ran" != "$updates" ] || [ "$slept" != "$sleeps" ] ||
     { [ -z "$message" ] && [ -n "$err" ]; } || { [ -n "$message" ] && { [ "$lines" != 1 ] || [[ $err != *"$message"* ]]; }; }; then
    echo "FAIL $what: exit $got (want $code), $ran updates (want $updates), $slept pauses (want $sleeps), said: $err"
    failures=$((failures + 1))
  fi
}

expect "a mirror that recovers" setup-windows "size size ok" ok 0 3 2 ""
expect "a broken index, the lists at hand do" setup-windows "size" ok 0 3 2 "installed from the lists at hand"
expect "a broken index, the install fails" setup-windows "size" fail 3 3 2 "apt-get update failed 3 times (W: Failed to fetch"
expect "the same for the main set-up" setup "size" fail 3 3 2 "the install failed (E: Unable to correct problems"
expect "no network is no broken index" setup-windows "net" fail 1 3 2 "Temporary failure resolving"
expect "an install that fails alone" setup-windows "ok" fail 1 1 0 "could not install g++-mingw-w64-i686-posix"
[ "$failures" -eq 0 ] && echo "all set-up cases pass"
exit $((failures > 0))
