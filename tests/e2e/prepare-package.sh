#!/usr/bin/env bash
# Assembles one package variant for an end-to-end test:
#   prepare-package.sh VARIANT OUT_DIR STANDINS_DIR SETUP_EXE
# The package goes to OUT_DIR/package; texts the test compares with go to OUT_DIR/expected.
set -euo pipefail
variant=$1
out=$2
standins=$3
setup_exe=$4
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
pkg="$out/package"
expected="$out/expected"

rm -rf "$out"
mkdir -p "$out" "$expected"
"$root/scripts/make-package" "$pkg" "$standins" "$setup_exe" 2>"$out/make-package.log" || {
  cat "$out/make-package.log" >&2
  exit 1
}

# UTF-8 with LF on stdin, the package's text form (UTF-16LE, byte-order mark, CR LF) on stdout.
package_text() {
  printf '\xff\xfe'
  sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE
}

# The licence as the agreement shows it: its first 2000 bytes.
head -c 2000 "$pkg/License.txt" >"$expected/license.txt"

case "$variant" in
  sample) ;;
  *)
    echo "prepare-package.sh: unknown variant $variant" >&2
    exit 2
    ;;
esac
