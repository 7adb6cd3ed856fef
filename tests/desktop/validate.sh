#!/usr/bin/env bash
# validate.sh DESKTOP-ENTRY METAINFO: both pass the freedesktop and
# AppStream validators.
set -euo pipefail
desktop-file-validate "$1"
appstreamcli validate --no-net --pedantic "$2"
