#!/usr/bin/env bash
# End to end: qlc check, compile and dump on the sample package (broken ones: broken_packages.sh).
#   qlc_test.sh QLC SOURCE_DIR WORK_DIR
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/test_lib.sh" "$@"
# byte_at FILE OFFSET: the byte's value.
byte_at() { od -An -tu1 -j "$2" -N1 "$1" | tr -d ' '; }
# hex_of FILE: the file's bytes as one string of hex digits.
hex_of() { od -An -tx1 -v "$1" | tr -d ' \n'; }

rm -rf "$work"
mkdir -p "$work/standins"
touch "$work/setup.exe"
"$source_dir/scripts/make-package" "$work/pkg" "$work/standins" "$work/setup.exe" 2>/dev/null ||
  { echo "FAIL: make-package"; exit 1; }
pkg=$work/pkg

# The sample package is sound.
expect_rc 0 "$work/check.txt" -- "$qlc" check "$pkg"
expect_line "$work/check.txt" "scheme  1: main      [x] 青岚形码  输入方案\\形码"

# Default choices: pinyin and the shape code, two dictionaries.
expect_rc 0 "$work/compile.txt" -- "$qlc" compile "$pkg" --out "$work/out"
expect_line "$work/compile.txt" "display name: 青岚输入法平台 - 青岚拼音青岚形码"
expect_line "$work/compile.txt" "status: 42条词组"
expect_line "$work/compile.txt" "records: 139 (characters 97, phrases 42)"
expect_line "$work/compile.txt" "slot 1: 青岚形码: in slot (its index is built by the tool library at installation)"
expect_line "$work/compile.txt" "messages: 0"
expect_line "$work/compile.txt" "file: User.dat 512000 bytes"
expect_text "$work/compile.txt" "time phrase table"
cz="$work/out/词库/cz.dat"
[ -f "$cz" ] || fail "no cz.dat"
[ -f "$work/out/文本词库/zk.txt" ] || fail "the package was not copied into the output folder"
# Fuzzy pairs c-ch, s-sh, z-zh at 4000 + 17k (RecordShift 0) and their count at 4500.
for at in 4017 4119 4136; do [ "$(byte_at "$cz" $at)" = 1 ] || fail "byte $at of cz.dat"; done
[ "$(byte_at "$cz" 4500)" = 3 ] || fail "fuzzy count"
[ "$(byte_at "$cz" 4000)" = 0 ] || fail "an-ang is on"
[ -f "$work/out/输入方案/拼音/qinglan.idx" ] || fail "no qinglan.idx"
[ -f "$work/out/输入方案/拼音/User.idx" ] || fail "no User.idx"
# Character list 1, two dictionaries 3 each, the shape-code scheme 1, cz.dat 1, pinyin index 4.
expect_line "$work/compile.txt" "progress steps: 13"
expect_line "$work/compile.txt" "file: 输入方案/拼音/User.idx 463734 bytes"
expect_rc 0 "$work/dump-idx.txt" -- "$qlc" dump "$work/out/输入方案/拼音/qinglan.idx"
# The index builder records the pinyin scheme in slot 0 of the main data file.
expect_rc 0 "$work/dump-slot0.txt" -- "$qlc" dump "$cz"
expect_line "$work/dump-slot0.txt" "slot 0 (pinyin): \"输入方案\\拼音\""

# Query, checked by hand against mb.txt, zk.txt and dycz.txt: initials alone match every syllable
# they begin, keys ascend (qi qian qing quan) and equal keys put the most frequent first; 行长 is
# stated as hang zhang, so its first readings make a combined key record.
expect_rc 0 "$work/query.txt" -- "$qlc" query q xing3chang "yin'hang" --in "$work/out"
expect_rc 0 "$work/query-q.txt" -- printf '%s\n' "q: 6 candidates" \
  "   1   64  七  qi" "   2   85  千  qian" "   3  152  情  qing" "   4   13  青  qing" \
  "   5    7  庆  qing" "   6   57  全  quan" "xing'chang: 1 candidate" \
  "   1   70  行长  xing'chang  [key record, combined reading]" "yin'hang: 1 candidate" \
  "   1  140  银行  yin'hang  [key record]"
cmp -s "$work/query.txt" "$work/query-q.txt" || { fail "query output"; diff "$work/query-q.txt" "$work/query.txt"; }
(cd "$work/out" && "$qlc" query nihao >/dev/null) || fail "query in the current folder"
expect_rc 1 "$work/query-bad.txt" -- "$qlc" query ni ii --in "$work/out"
expect_text "$work/query-bad.txt" "\"ii\" is no run of pinyin syllables"

# Export round trips. A package whose last dictionary also holds settings, a double-pinyin layout
# and custom codes: its export compiles to the same cz.dat, index files, option.txt, sp.ini and
# codeword.txt. A tree whose dycz.txt changed after the compile no longer matches, and says where.
cp -a "$pkg" "$work/sections"
printf '%s\r\n' "{参数设置}" "候选数=5" "{自定义双拼}" "q=iu" "{自定义编码}" "[形码]" "qlsr 青岚输入" \
  "abc=x 甲" "{结束}" | iconv -f UTF-8 -t UTF-16LE >>"$work/sections/文本词库/成语词库.txt"
"$qlc" compile "$work/sections" --out "$work/sections-out" >/dev/null 2>&1 || fail "compile with sections"
expect_rc 0 "$work/export.txt" -- "$qlc" export "$work/sections-out/词库/cz.dat" --out "$work/exported" --verify
expect_line "$work/export.txt" "exported $work/sections-out/词库/cz.dat: 97 characters, 42 phrases into $work/exported"
for f in 词库/cz.dat 输入方案/拼音/qinglan.idx 输入方案/拼音/User.idx option.txt sp.ini 输入方案/形码/codeword.txt; do
  expect_text "$work/export.txt" "verify: $f identical"
done
expect_rc 0 "$work/export-check.txt" -- "$qlc" check "$work/exported"
printf '\xff\xfe' >"$work/sections-out/输入方案/拼音/dycz.txt"
expect_rc 1 "$work/export-diff.txt" -- "$qlc" export "$work/sections-out/词库/cz.dat" --out "$work/exported2" --verify
expect_text "$work/export-diff.txt" "verify: 输入方案/拼音/qinglan.idx differs:"
expect_text "$work/export-diff.txt" "- key record @"
expect_rc 1 "$work/export-notempty.txt" -- "$qlc" export "$cz" --out "$work/exported"
# A user data file with two learned phrases (青岚 30, 输入法平台 200; RecordsEnd counts from
# RecordShift 1024; the index sorted by text) becomes a backup whose sections the build reads back.
user=$work/sections-out/User.dat
put() { printf "$1" | dd of="$user" bs=1 seek="$2" conv=notrunc status=none; }
put '\x03\x00\x1e\x00\x52\x97\x9a\x5c\x00\x00' 11264
put '\x06\x00\xc8\x00\x93\x8f\x65\x51\xd5\x6c\x73\x5e\xf0\x53\x00\x00' 11274
put '\x1a\x28\x00\x00' 8
put '\x08\x00\x00\x00' 16
put '\x0a\x2c\x00\x00\x00\x2c\x00\x00' 307200
expect_rc 0 "$work/backup.txt" -- "$qlc" export "$user" --out "$work/backup" --verify
expect_line "$work/backup.txt" "verify: the build reads back every part of the backup"
printf '%s\r\n' "{参数设置}" "候选数=5" "{自定义双拼}" "q=iu" "{自定义编码}" "[形码]" "qlsr 青岚输入" \
  "abc x=甲" "{结束}" "{用户词组}" "青岚 30" "输入法平台 200" | iconv -f UTF-8 -t UTF-16LE >"$work/backup-want.txt"
cmp -s <(tail -c +3 "$work/backup/用户词库备份.txt") "$work/backup-want.txt" || fail "backup text"

# Diff: a package against its own compile is equal; an edit of frequencies, phrases and readings
# shows each change, and the keys whose candidates changed.
expect_rc 0 "$work/diff-same.txt" -- "$qlc" diff "$pkg" "$work/out"
expect_line "$work/diff-same.txt" "no difference"
cp -a "$pkg" "$work/edited"
recode() {  # recode FILE SED_SCRIPT: edits a package text file
  { printf '\xff\xfe'; tail -c +3 "$1" | iconv -f UTF-16LE -t UTF-8 | sed "$2" | iconv -f UTF-8 -t UTF-16LE; } >"$1.new"
  mv "$1.new" "$1"
}
recode "$work/edited/文本词库/基本词库.txt" 's/^行长 70/行长 150/; /^平台 100/d; s/^\[Text\]/&\r\n长行 80/'
recode "$work/edited/输入方案/拼音/mb.txt" 's/^长 chang2 zhang3/长 zhang3 chang2/'
expect_rc 1 "$work/diff.txt" -- "$qlc" diff "$pkg" "$work/edited"
expect_rc 0 "$work/diff-want.txt" -- printf '%s\n' "- phrase 平台: 100" "~ phrase 行长: 70 -> 150" \
  "+ phrase 长行: 80" "~ readings 长: chang2 zhang3 -> zhang3 chang2" "+ key chang'hang: 长行" \
  "+ key chang'xing: 长行" "- key ping'tai: 平台" "+ key zhang'hang: 长行" "+ key zhang'xing: 长行" \
  "9 differences"
"$qlc" diff "$pkg" "$work/edited" >"$work/diff-out.txt" 2>/dev/null
cmp -s "$work/diff-out.txt" "$work/diff-want.txt" || { fail "diff output"; cat "$work/diff.txt"; }
expect_rc 2 "$work/diff-none.txt" -- "$qlc" diff "$pkg" "$work/nothing"

# The punctuation values of symbol.txt's 16 lines, 60 bytes each: key and output length, then the
# output mark (the first of "“”", "‘’", "……", "——").
expect_line "$work/compile.txt" "file: punct/键位符号.bin 60 bytes"
expect_line "$work/compile.txt" "file: punct/输出标点.bin 60 bytes"
zeros=$(printf '0%.0s' $(seq 56))
[ "$(hex_of "$work/out/punct/键位符号.bin")" = "2c012e013b013a013f0121015c0128012901""3c013e01220227025e025f022401$zeros" ] ||
  fail "键位符号.bin: $(hex_of "$work/out/punct/键位符号.bin")"
[ "$(hex_of "$work/out/punct/输出标点.bin")" = "0cff02301bff1aff1fff01ff013008ff09ff""0a300b301c20182026201420e5ff$zeros" ] ||
  fail "输出标点.bin: $(hex_of "$work/out/punct/输出标点.bin")"
expect_rc 0 "$work/dump-punct.txt" -- "$qlc" dump "$work/out/punct/输出标点.bin"
expect_line "$work/dump-punct.txt" "entry 13: key 0x5E '^' length 2 output U+2026 '…'"
expect_line "$work/dump-punct.txt" "empty entries: 14"

# The custom-input indexes. zdybm.TXT: mark and header line 30 units, then ql 12, yx 25, dh 17,
# dz 19, rq 15, xy: offsets 30, 42, 67, 84, 103, 118, sorted dh dz ql rq xy yx.
[ "$(hex_of "$work/out/自定义输入/zdybm.idx")" = "43000000540000001e0000006700000076000000""2a000000" ] ||
  fail "zdybm.idx: $(hex_of "$work/out/自定义输入/zdybm.idx")"
# zdydw.TXT: mark and header line 35 units, separators 22: xh at 57, qm at 110, zf at 185.
[ "$(hex_of "$work/out/自定义输入/zdydw.idx")" = "6e00000039000000b9000000" ] ||
  fail "zdydw.idx: $(hex_of "$work/out/自定义输入/zdydw.idx")"
expect_rc 0 "$work/dump-zdybm.txt" -- "$qlc" dump "$work/out/自定义输入/zdybm.idx"
expect_line "$work/dump-zdybm.txt" "     0  offset 67  dh=010-62345678"
expect_line "$work/dump-zdybm.txt" "order: sorted, every entry of the text"
expect_rc 0 "$work/dump-zdydw.txt" -- "$qlc" dump "$work/out/自定义输入/zdydw.idx"
expect_line "$work/dump-zdydw.txt" "     2  offset 185  zf"

expect_rc 0 "$work/dump.txt" -- "$qlc" dump "$cz"
expect_line "$work/dump.txt" "MainSchemeFolder1 \"输入方案\\形码\""
expect_line "$work/dump.txt" "slot 1 (main 1): \"输入方案\\形码\""
expect_line "$work/dump.txt" "slot 3 (keypad): free"
expect_line "$work/dump.txt" "fuzzy pairs on: 3"
expect_line "$work/dump.txt" "CharacterCount 97"
expect_rc 0 "$work/dump-user.txt" -- "$qlc" dump "$work/out/User.dat"
expect_line "$work/dump-user.txt" "RecordShift 1024"

# A second compile into the same folder is refused; so is a folder inside the package.
expect_rc 1 "$work/again.txt" -- "$qlc" compile "$pkg" --out "$work/out"
expect_text "$work/again.txt" "is not empty"
# --force empties it. Compiled files left in a package are neither copied nor listed as output.
cp -a "$pkg" "$work/stale"
mkdir -p "$work/stale/词库"
cp "$cz" "$work/stale/词库/cz.dat"
cp "$work/out/输入方案/拼音/qinglan.idx" "$work/stale/输入方案/拼音/qinglan.idx"
expect_rc 0 "$work/stale.txt" -- "$qlc" compile "$work/stale" --out "$work/out" --force --skip-index
grep -q "^file: .*qinglan.idx" "$work/stale.txt" && fail "a stale qinglan.idx was listed as output"
[ -e "$work/out/输入方案/拼音/qinglan.idx" ] && fail "a stale qinglan.idx was copied"
expect_text "$work/stale.txt" "left out of the copy: 输入方案/拼音/qinglan.idx (compile writes it)"
expect_line "$work/stale.txt" "file: 词库/cz.dat 216834 bytes"
expect_rc 1 "$work/inside.txt" -- "$qlc" compile "$pkg" --out "$pkg/out"
expect_text "$work/inside.txt" "lies inside the package"
[ -e "$pkg/out" ] && fail "a folder was created inside the package"
# Also when the way in is a symbolic link.
ln -s "$pkg" "$work/link-to-package"
expect_rc 1 "$work/inside-link.txt" -- "$qlc" compile "$pkg" --out "$work/link-to-package/out"
expect_text "$work/inside-link.txt" "lies inside the package"
[ -e "$pkg/out" ] && fail "a folder was created inside the package through a link"

# Chosen by option: the keypad scheme takes main slot 1, the auxiliary scheme slot 4.
expect_rc 0 "$work/options.txt" -- "$qlc" compile "$pkg" --out "$work/out2" \
  --dicts 地名词库.txt --schemes 青岚拼音,青岚数字码,青岚形码辅助 --skip-fuzzy
expect_line "$work/options.txt" "slot 1: 青岚数字码: in slot (its index is built by the tool library at installation)"
expect_line "$work/options.txt" "slot 4: 青岚形码辅助: in slot"
expect_line "$work/options.txt" "dictionary: 地名词库 (地名词库.txt)"
[ "$(byte_at "$work/out2/词库/cz.dat" 4500)" = 0 ] || fail "--skip-fuzzy wrote the count"
expect_rc 1 "$work/unknown.txt" -- "$qlc" compile "$pkg" --out "$work/out3" --dicts 没有这个
expect_text "$work/unknown.txt" "no dictionary \"没有这个\""

# A package without its character list: the installer's message, and failure.
cp -a "$pkg" "$work/nozk"
rm "$work/nozk/文本词库/zk.txt"
expect_rc 1 "$work/nozk.txt" -- "$qlc" compile "$work/nozk" --out "$work/out4"
expect_line "$work/nozk.txt" "文本词库/zk.txt: error: cannot be opened: no main data file is built"
expect_text "$work/nozk.txt" "qlc: compile failed: nothing was written to $work/out4"
[ -e "$work/out4" ] && fail "a failed compile left its output folder"

# Usage and unreadable files. Help asked for goes to standard output with exit 0; a wrong command
# line, and errors, go to standard error.
expect_rc 2 "$work/usage.txt" -- "$qlc"
expect_rc 1 "$work/nofile.txt" -- "$qlc" dump "$work/nothing.dat"
for words in "--help" "-h" "compile --help" "check -h" "dump --help" "query -h" "export -h" "import -h" "diff -h" "--version"; do
  # shellcheck disable=SC2086
  "$qlc" $words >"$work/help.txt" 2>/dev/null || fail "qlc $words exited $?"
  [ -s "$work/help.txt" ] || fail "qlc $words printed nothing on standard output"
done
expect_text "$work/help.txt" "qlc "
"$qlc" nosuch >/dev/null 2>"$work/unknown-command.txt"; [ $? -eq 2 ] || fail "an unknown command exited $?"
expect_text "$work/unknown-command.txt" "unknown command"
expect_rc 2 "$work/twice.txt" -- "$qlc" compile "$pkg" --out "$work/a" --out "$work/b"
expect_text "$work/twice.txt" "\"--out\" is given twice"
"$qlc" dump "$work/nothing.dat" 2>/dev/null | grep -q . && fail "an error went to standard output"

finish "qlc checks"
