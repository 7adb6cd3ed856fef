#!/usr/bin/env bash
# package.sh BUILD-DIR VERSION TRIPLET: the Debian package of the build
# passes lintian without errors, holds everything a desktop needs, and its
# programs run from a scratch root with the virtual recorder it carries.
set -euo pipefail
build=$1 version=$2 triplet=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/out/cdburner_"$version"_*.deb)
echo "built $(basename "$deb")"

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v 'root privileges' "$work/lintian.log" || true
[ "${status:-0}" -eq 0 ] || { echo "lintian reports errors" >&2; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6widgets6; do
    grep -q "$library" <<<"$depends" || { echo "Depends lacks $library: $depends" >&2; exit 1; }
done

root=$work/root
dpkg-deb -x "$deb" "$root"
vrecorder=$root/usr/lib/$triplet/cdburner/libvrecorder_aspi.so
for file in usr/bin/cdburner usr/bin/cdburner-cli "${vrecorder#"$root"/}" \
            usr/share/applications/cdburner.desktop usr/share/icons/hicolor/scalable/apps/cdburner.svg \
            usr/share/man/man1/cdburner-cli.1.gz usr/share/man/man1/cdburner.1.gz \
            usr/share/bash-completion/completions/cdburner-cli usr/share/doc/cdburner/copyright; do
    [ -e "$root/$file" ] || { echo "the package lacks /$file" >&2; exit 1; }
done
ls "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null
appstreamcli validate-tree --no-net "$root"

# --version when the program has it; --help until then.
cli=$root/usr/bin/cdburner-cli
if "$cli" --help | grep -q -- '--version'; then
    "$cli" --version | tee "$work/version"
    grep -q "$version" "$work/version" || { echo "--version does not say $version" >&2; exit 1; }
else
    "$cli" --help >/dev/null
fi

# A burn from the scratch root onto the packaged virtual recorder.
cd "$work"
head -c $((300 * 2048)) /dev/urandom >image.iso
md5sum image.iso >image.md5
printf '[recorder]\naddress = 0:0:0\nmedium = cd-r\nbacking = disc.img\n' >vrecorder.conf
VRECORDER_CONFIG=$work/vrecorder.conf "$cli" --aspi-library "$vrecorder" --list | tee list.txt
grep -q "medium: CD-R, blank" list.txt
VRECORDER_CONFIG=$work/vrecorder.conf "$cli" --aspi-library "$vrecorder" --verify image.iso >burn.log 2>&1 ||
    { cat burn.log >&2; exit 1; }
cmp -n $((300 * 2048)) image.iso disc.img
echo "the packaged cdburner-cli burnt the image onto the packaged virtual recorder"

# Without a transport, the installed program points to the recorder it carries, not to ./run.
if hint=$("$cli" --aspi-library /nonexistent/libother.so --list 2>&1); then
    echo "this machine has a drive for the pass-through layer: the hint is not shown"
else
    grep -qF -- "--aspi-library $vrecorder" <<<"$hint" && grep -q "man cdburner-cli" <<<"$hint" &&
        ! grep -q "./run" <<<"$hint" || { echo "the installed program's hint: $hint" >&2; exit 1; }
fi
