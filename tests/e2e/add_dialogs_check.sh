#!/usr/bin/env bash
# Checks what an add-dialog scenario left behind:
#   add_dialogs_check.sh OUT_DIR EXPECTED_RECORD
# The host's record of the entries equals EXPECTED_RECORD; every file of OUT_DIR/expected/package
# is in the package with the same bytes; and the package's dictionary and scheme folders hold
# nothing else that was not there before the run.
set -euo pipefail
out=$1
record=$2
pkg="$out/package"
want="$out/expected/package"
status=0

diff -u "$record" "$pkg/add-dialog-result.txt" || status=1
while IFS= read -r file; do
  cmp "$want/$file" "$pkg/$file" || status=1
done < <(cd "$want" && find . -type f | LC_ALL=C sort)
expected_list=$( (cat "$out/before.list"; cd "$want" && find 文本词库 输入方案) | LC_ALL=C sort -u)
actual_list=$(cd "$pkg" && find 文本词库 输入方案 | LC_ALL=C sort)
diff -u <(printf '%s\n' "$expected_list") <(printf '%s\n' "$actual_list") || status=1
exit "$status"
