#!/usr/bin/env bash
# Prepares the folder a settings-dialog test runs in:
#   prepare-settings.sh OUT_DIR DISPLAY_NAME
# OUT_DIR gets the sample package's setup.ini, in the package's text form (UTF-16LE with
# byte-order mark, CR LF), with "Name" set to DISPLAY_NAME. Nothing else is needed there.
set -euo pipefail
out=$1
name=$2
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

rm -rf "$out"
mkdir -p "$out"
{
  printf '\xff\xfe'
  NAME="$name" awk '/^Name=/ { print "Name=" ENVIRON["NAME"]; next } { print }' \
    "$root/sample/package/setup.ini" | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE
} >"$out/setup.ini"
