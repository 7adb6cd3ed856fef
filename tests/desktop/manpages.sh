#!/usr/bin/env bash
# manpages.sh CLI PAGE...: every option that "CLI --help" prints is in the
# first page with its exit codes, and every page renders without a warning from groff.
set -euo pipefail
cli=$1; shift
page=$1

help=$("$cli" --help)
mapfile -t options < <(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
[ ${#options[@]} -ge 10 ] || { echo "too few options read from --help: ${options[*]}" >&2; exit 1; }

# The page writes a hyphen as \-.
text=$(sed 's/\\-/-/g' "$page")
missing=()
for option in "${options[@]}"; do
    grep -qE -- "(^|[^a-z-])${option}([^a-z-]|$)" <<<"$text" || missing+=("$option")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "$(basename "$page") lacks options that --help prints: ${missing[*]}" >&2
    exit 1
fi

# So are its exit codes, and what a user needs beyond the options.
mapfile -t codes < <(sed -n '/^Exit codes:/,$s/^  \([0-9][0-9]*\) .*/\1/p' <<<"$help")
[ ${#codes[@]} -ge 5 ] || { echo "too few exit codes read from --help: ${codes[*]}" >&2; exit 1; }
for code in "${codes[@]}"; do
    sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' "$page" | grep -qx "\.B $code" ||
        { echo "$(basename "$page") lacks exit code $code" >&2; exit 1; }
done
for needed in '^\.SH ENVIRONMENT' '^\.SH FILES' '^\.SH EXAMPLES' '^\.B VRECORDER_CONFIG' 'companion'; do
    grep -q "$needed" "$page" || { echo "$(basename "$page") lacks $needed" >&2; exit 1; }
done

for each in "$@"; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$each" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$(basename "$each"): $warnings" >&2; exit 1; }
    for section in NAME SYNOPSIS DESCRIPTION "SEE ALSO"; do
        grep -q "^\.SH \"\?$section" "$each" || { echo "$(basename "$each") has no $section" >&2; exit 1; }
    done
done
echo "${#options[@]} options of --help, all in $(basename "$page")"
