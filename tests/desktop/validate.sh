#!/usr/bin/env bash
# validate.sh DESKTOP-ENTRY METAINFO: both pass the freedesktop and
# AppStream validators, and the entry offers itself for CD images.
set -euo pipefail
entry=$1 metainfo=$2

desktop-file-validate "$entry"
appstreamcli validate --no-net --pedantic "$metainfo"

grep -qx 'Exec=cdburner %f' "$entry" || { echo "the entry must pass one file: Exec=cdburner %f" >&2; exit 1; }
for type in application/x-cd-image application/x-iso9660-image; do
    grep -q "^MimeType=.*$type;" "$entry" || { echo "the entry does not declare $type" >&2; exit 1; }
done
grep -q '<launchable type="desktop-id">cdburner.desktop</launchable>' "$metainfo" ||
    { echo "the metainfo does not launch cdburner.desktop" >&2; exit 1; }
echo "desktop entry and metainfo valid"
