#!/usr/bin/env bash
# qlc compile on the sample package must give exactly the files whose SHA-256 sums
# tests/qlc/compiled_files.sha256 lists: every file it writes into the output folder besides the
# copy of the package. The host build runs its qlc natively and the Windows build its qlc.exe under Wine, both against this
# one list, so the two programs give the same bytes.
#   compiled_files.sh [--wine ARCH] QLC SOURCE_DIR WORK_DIR      check
#   compiled_files.sh --update QLC SOURCE_DIR WORK_DIR           rewrite the list (host qlc only)
# WORK_DIR must be an absolute path; under Wine it is reached through drive Z:.
set -uo pipefail

mode=check
arch=
case "${1:-}" in
  --wine) mode=wine; arch=$2; shift 2 ;;
  --update) mode=update; shift ;;
esac
if [ $# -ne 3 ]; then
  echo "usage: $0 [--wine ARCH | --update] QLC SOURCE_DIR WORK_DIR" >&2
  exit 2
fi
qlc=$1
source_dir=$2
work=$3
list="$source_dir/tests/qlc/compiled_files.sha256"

# The same package as the host's qlc test: the sample, no stand-in module or tool library.
rm -rf "$work"
mkdir -p "$work/standins"
touch "$work/setup.exe"
"$source_dir/scripts/make-package" "$work/pkg" "$work/standins" "$work/setup.exe" 2>/dev/null ||
  { echo "FAIL: make-package"; exit 1; }

# A Windows path of an absolute host path, on the drive that maps the host's root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

if [ "$mode" = wine ]; then
  "$source_dir/scripts/wine-run" "$arch" "$qlc" compile "$(windows_path "$work/pkg")" \
    --out "$(windows_path "$work/out")" >"$work/compile.txt" 2>&1
else
  "$qlc" compile "$work/pkg" --out "$work/out" >"$work/compile.txt" 2>&1
fi
rc=$?
if [ "$rc" -ne 0 ]; then
  echo "FAIL: qlc compile exited $rc"
  cat "$work/compile.txt"
  exit 1
fi
if ! tr -d '\r' <"$work/compile.txt" | grep -qxF "messages: 0"; then
  echo "FAIL: qlc compile showed messages"
  cat "$work/compile.txt"
  exit 1
fi

# The files the compile wrote: those the package does not hold as they are (its own files are
# copied into the output folder too).
(cd "$work/out" && find . -type f | LC_ALL=C sort | sed 's|^\./||' |
  while IFS= read -r file; do
    cmp -s -- "$file" "$work/pkg/$file" || sha256sum -- "$file"
  done) >"$work/compiled_files.sha256"

if [ "$mode" = update ]; then
  cp "$work/compiled_files.sha256" "$list"
  echo "wrote $list ($(wc -l <"$list") files)"
  exit 0
fi
if ! diff -u "$list" "$work/compiled_files.sha256" >"$work/difference.txt"; then
  echo "FAIL: the files qlc compiled differ from $list (- expected, + this qlc):"
  cat "$work/difference.txt"
  echo "Decode a file with: qlc dump FILE (output in $work/out)."
  echo "If the change is intended, rewrite the list with the host build's qlc:"
  echo "  $0 --update path/to/qlc $source_dir /tmp/qlc-compiled"
  exit 1
fi
echo "qlc compile gave the $(wc -l <"$list") files of $list"
