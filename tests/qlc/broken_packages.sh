#!/usr/bin/env bash
# One table of broken packages, each made from the sample by a line of shell, with the exact
# diagnostics (standard error) and exit codes of qlc check and qlc compile; then check --fix on
# copies of the sample in other encodings, which must compile to the very bytes of the original;
# then damaged binary files for qlc dump.
#   broken_packages.sh QLC SOURCE_DIR WORK_DIR
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/test_lib.sh" "$@"

# Package text: UTF-16LE with byte-order mark and CR LF.
decode() { tail -c +3 "$1" | iconv -f UTF-16LE -t UTF-8; }
encode() { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; }
edit() { local file=$1; shift; decode "$file" | sed "$@" | encode >"$file.new" && mv "$file.new" "$file"; }
append() { printf '%b' "$2" | iconv -f UTF-8 -t UTF-16LE >>"$1"; }
reencode() { decode "$1" | iconv -f UTF-8 -t "$2" >"$1.new" && mv "$1.new" "$1"; }

rm -rf "$work"
mkdir -p "$work/standins" "$work/rows"
touch "$work/setup.exe" "$work/standins/qlsrfpt.ime" "$work/standins/QLTOOL.dll"
"$source_dir/scripts/make-package" "$work/sample" "$work/standins" "$work/setup.exe" 2>/dev/null ||
  { echo "FAIL: make-package"; exit 1; }
# The base of every row: the sample with all three dictionaries chosen, so that compile reads
# what check reads.
base=$work/base
cp -a "$work/sample" "$base"
edit "$base/setup.ini" '/^name=地名词库/,/^Default=/s/^Default=否/Default=是/'

D=文本词库
P=输入方案/拼音

# row NAME CHECK_EXIT COMPILE_EXIT MUTATION, the expected standard error on standard input: lines
# for both commands, or for one after "check| " or "compile| ". OUT stands for compile's output
# folder.
row() {
  local name=$1 want_check=$2 want_compile=$3 mutation=$4 dir=$work/rows/$1 expected rc
  expected=$(cat)
  mkdir -p "$dir"
  cp -a "$base" "$dir/pkg"
  (cd "$dir/pkg" && eval "$mutation") || { fail "$name: the mutation failed"; return; }
  "$qlc" check "$dir/pkg" >"$dir/check.out" 2>"$dir/check.err"
  rc=$?
  [ "$rc" -eq "$want_check" ] || fail "$name: check exited $rc, expected $want_check"
  lines_of() { [ -z "$expected" ] || printf '%s\n' "$expected"; }
  lines_of | grep -v '^compile| ' | sed 's/^check| //' >"$dir/check.want"
  diff -u "$dir/check.want" "$dir/check.err" >"$dir/check.diff" ||
    { fail "$name: check's diagnostics (- expected, + got):"; cat "$dir/check.diff"; }
  "$qlc" compile "$dir/pkg" --out "$dir/out" >"$dir/compile.out" 2>"$dir/compile.err"
  rc=$?
  [ "$rc" -eq "$want_compile" ] || fail "$name: compile exited $rc, expected $want_compile"
  lines_of | grep -v '^check| ' | sed "s/^compile| //; s|OUT|$dir/out|" >"$dir/compile.want"
  diff -u "$dir/compile.want" "$dir/compile.err" >"$dir/compile.diff" ||
    { fail "$name: compile's diagnostics (- expected, + got):"; cat "$dir/compile.diff"; }
  if [ "$rc" -ne 0 ]; then
    [ -e "$dir/out" ] && fail "$name: a failed compile left $dir/out"
    ls -a "$dir" | grep -q '\.qlc-' && fail "$name: a failed compile left its work folder"
  fi
}

row sound 0 0 ':' </dev/null

# The encoding of a text file, told by content.
row utf8-dictionary 1 1 "reencode $D/基本词库.txt UTF-8" <<EOF
$D/基本词库.txt:1: error: the file is UTF-8 without byte-order mark; the system reads only UTF-16LE with byte-order mark (qlc check --fix rewrites it)
check| qlc: the package is read no further until its text files are fixed (qlc check --fix)
qlc: 1 error, 0 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row utf8-mark-setup 1 1 "{ printf '\xef\xbb\xbf'; decode setup.ini; } >s && mv s setup.ini" <<EOF
setup.ini:1: error: the file is UTF-8 with byte-order mark; the system reads only UTF-16LE with byte-order mark (qlc check --fix rewrites it)
check| qlc: the package is read no further until its text files are fixed (qlc check --fix)
qlc: 1 error, 0 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row gb18030-zk 1 1 "reencode $D/zk.txt GB18030" <<EOF
$D/zk.txt:1: error: the file is GB18030; the system reads only UTF-16LE with byte-order mark (qlc check --fix rewrites it)
check| qlc: the package is read no further until its text files are fixed (qlc check --fix)
qlc: 1 error, 0 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row utf16be-symbols 1 1 "{ printf '\xfe\xff'; decode symbol.txt | iconv -f UTF-8 -t UTF-16BE; } >s && mv s symbol.txt" <<EOF
symbol.txt:1: error: the file is UTF-16BE with byte-order mark; the system reads only UTF-16LE with byte-order mark (qlc check --fix rewrites it)
check| qlc: the package is read no further until its text files are fixed (qlc check --fix)
qlc: 1 error, 0 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row no-mark-licence 1 1 "tail -c +3 License.txt >l && mv l License.txt" <<EOF
License.txt:1: error: the file is UTF-16LE without byte-order mark; the system reads only UTF-16LE with byte-order mark (qlc check --fix rewrites it)
check| qlc: the package is read no further until its text files are fixed (qlc check --fix)
qlc: 1 error, 0 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row lf-custom-codes 1 1 "decode 自定义输入/zdybm.TXT | tr -d '\r' | encode >z && mv z 自定义输入/zdybm.TXT" <<EOF
自定义输入/zdybm.TXT: error: 7 lines end in LF without CR: the index counts only CR LF as a line end (qlc check --fix rewrites it)
check| qlc: the package is read no further until its text files are fixed (qlc check --fix)
qlc: 1 error, 0 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF

# Files that are missing.
row missing-dictionary 1 1 "rm $D/成语词库.txt" <<EOF
$D/成语词库.txt: error: cannot be opened: the chosen dictionary "成语词库" is left out
qlc: 1 error, 0 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row missing-unchosen-dictionary 1 1 "rm $D/地名词库.txt; edit setup.ini '/^name=地名词库/,/^Default=/s/^Default=是/Default=否/'" <<EOF
check| $D/地名词库.txt: error: cannot be opened: the chosen dictionary "地名词库" is left out
compile| $D/地名词库.txt: error: missing: setup.ini's section "词库3" names it
$P/dycz.txt:5: warning: "重庆" is not in the main data file: nothing is written for the line
qlc: 1 error, 1 warning
compile| qlc: compile failed: nothing was written to OUT
EOF
row missing-pinyin-code-table 1 1 "rm $P/mb.txt" <<EOF
$P/mb.txt: error: cannot be opened: the pinyin index gets no key at all
$P/dycz.txt:1: warning: "银" has no reading in mb.txt and none stated: the line is passed over
$P/dycz.txt:3: warning: "新" has no reading in mb.txt and none stated: the line is passed over
$P/dycz.txt:4: warning: "大" has no reading in mb.txt and none stated: the line is passed over
$P/dycz.txt:5: warning: "庆" has no reading in mb.txt and none stated: the line is passed over
qlc: 4 × warning: no-reading
qlc: 1 error, 4 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row missing-symbols 1 1 "rm symbol.txt" <<EOF
symbol.txt: error: cannot be opened: no punctuation values are written
qlc: 1 error, 0 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row lower-case-custom-codes 1 1 "mv 自定义输入/zdybm.TXT 自定义输入/zdybm.txt" <<EOF
自定义输入/zdybm.TXT: error: cannot be opened: no custom-input index is built from here on
qlc: 1 error, 0 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row no-records 1 1 "printf '\xff\xfe' >$D/zk.txt; edit setup.ini 's/^\[词库/[x词库/'" <<EOF
$D/zk.txt: error: no character and no phrase is read: the main data file is empty
$P/dycz.txt:1: warning: "银行" is not in the main data file: nothing is written for the line
$P/dycz.txt:2: warning: "行长" is not in the main data file: nothing is written for the line
$P/dycz.txt:3: warning: "重新" is not in the main data file: nothing is written for the line
$P/dycz.txt:4: warning: "长大" is not in the main data file: nothing is written for the line
$P/dycz.txt:5: warning: "重庆" is not in the main data file: nothing is written for the line
qlc: 5 × warning: not-an-entry
qlc: 1 error, 5 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row path-leaves-folder 1 1 "edit setup.ini 's/^FileName=成语词库.txt/FileName=..\\\\成语词库.txt/'" <<EOF
qlc: error: the installer would show the message [青岚输入法平台]: setup.ini 的 [词库2] 中 FileName=..\\成语词库.txt 指向所在文件夹以外，这一项已跳过。
qlc: 1 error, 0 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
# Values of setup.ini cut at their length limits, as the installer cuts them: said, and a file
# name cut short names no file.
long_name=成语词库成语词库成语词库成语词库成语词库成语词库成语词库
row cut-values 1 1 "edit setup.ini 's/^Version=4.10/Version=4.10.2026.1209/; s/^FileName=成语词库.txt/FileName=$long_name.txt/'" <<EOF
setup.ini: warning: [soft] Version is longer than 9 characters: the installer reads "4.10.2026"
setup.ini: warning: [词库2] FileName is longer than 29 characters: the installer reads "$long_name."
$D/$long_name.: error: cannot be opened: the chosen dictionary "成语词库" is left out
qlc: 1 error, 2 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF

# Lines lost or changed.
row phrase-lines 0 0 "append $D/基本词库.txt '你好\t'ni' 'hao'\t'100'\r\n'输入法' '平台' '50'\r\n'电脑' 'abc'\r\n'青岚' '300'\r\n'青岚' '3'\r\n'青岚' '7'\r\n'𠀀字' '9'\r\n'字'\r\n'" <<EOF
$D/基本词库.txt:42: warning: the phrase "你好	ni" holds a control character (only a space separates fields)
$D/基本词库.txt:42: warning: frequency "hao	100" is not a number: read as 11
$D/基本词库.txt:43: warning: only the text before the first and after the last space is read: "平台" is lost
$D/基本词库.txt:43: warning: the phrase "输入法" is also on line 28: it is stored twice unless an earlier dictionary has it
$D/基本词库.txt:44: warning: frequency "abc" is not a number: read as 11
$D/基本词库.txt:45: warning: frequency 300 is stored as 44 (frequencies keep 8 bits, 0..255)
$D/基本词库.txt:46: warning: the phrase "青岚" is also on line 45: it is stored twice unless an earlier dictionary has it
$D/基本词库.txt:47: warning: the phrase "青岚" is also on line 45: it is stored twice unless an earlier dictionary has it
$D/基本词库.txt:48: warning: the phrase "𠀀字" holds a character beyond U+FFFF: the pinyin index leaves it out
$D/基本词库.txt:49: warning: a phrase of one unit: the line is skipped (characters belong in zk.txt)
$P/mb.txt: warning: "电脑" gets no pinyin key: its first character has no reading in this file
$P/mb.txt: warning: "𠀀字" gets no pinyin key: its first character has no reading in this file
qlc: 0 errors, 12 warnings
EOF
long=$(printf '长%.0s' $(seq 265))
row long-and-unended 0 0 "append $D/成语词库.txt '$long 5\r\n'; append $D/地名词库.txt '上海 9'; append $D/zk.txt '𠀀 9\r\n字 1 2\r\n字 256\r\n'" <<EOF
$D/zk.txt:98: warning: the first field "𠀀" is not one UTF-16 unit: the line is skipped
$D/zk.txt:99: warning: the spaces inside "1 2" are dropped: read as "12"
$D/zk.txt:100: warning: frequency 256 is stored as 0 (frequencies keep 8 bits, 0..255)
$D/成语词库.txt:17: warning: a field longer than 264 units: the line is skipped
$D/地名词库.txt:16: warning: the last line has no line end and is not read
$P/mb.txt: warning: "字" gets no pinyin key: its first character has no reading in this file
$P/mb.txt: warning: "字" gets no pinyin key: its first character has no reading in this file
qlc: 0 errors, 7 warnings
EOF
zg_lines=$(printf '%.0s字' $(seq 45))'\r\n'$(for i in $(seq 30); do printf '行%s\\r\\n' "$i"; done)
row header-text 0 0 "append $P/zg.txt '$zg_lines'" <<EOF
$P/zg.txt:4: warning: the header line is cut to 40 units
$P/zg.txt:31: warning: the index header holds 30 lines: the rest of the file is not read
qlc: 0 errors, 2 warnings
EOF
row readings 1 1 "append $P/mb.txt '好 xyz4\r\n们 men5 men2 men1 men3 men4 mei2\r\n多 duo1 qqq2\r\n𠀀 a1\r\n'; append $P/dycz.txt '他们在家\r\n不存在的词\r\n银行(xyng2)\r\n'" <<EOF
$P/mb.txt:106: error: reading "xyz4" of 好 is not a pinyin syllable: the character has no reading
$P/mb.txt:107: warning: readings of 们 after the first 5 are dropped: "mei2"
$P/mb.txt:108: warning: reading "qqq2" of 多 is not a pinyin syllable: none of its readings after the first is kept
$P/mb.txt:109: warning: 𠀀 is outside U+3000..U+9FFF: the line is passed over
$P/dycz.txt:6: warning: "他们在家" is not in the main data file: nothing is written for the line
$P/dycz.txt:7: warning: "存" has no reading in mb.txt and none stated: the line is passed over
$P/dycz.txt:8: error: reading "xyng2" of 行 is not a pinyin syllable
qlc: 2 errors, 5 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
row symbols 1 1 "append symbol.txt '% ％\r\n& ＆\r\n* ＊\r\n+ ＋\r\n- －\r\n= ＝\r\n@ ＠\r\n# ＃\r\n{ ｛\r\n} ｝\r\n| ｜\r\n~ ～\r\n/ ／\r\n0 ０\r\n1 １\r\nnospace\r\n 2\r\n3 三'" <<EOF
symbol.txt:31: error: more than 30 entries: this one is left out
symbol.txt:32: warning: the line has no space: it is no entry
symbol.txt:33: warning: the line begins with a space: it is no entry
symbol.txt:34: warning: the last line has no line end and is not read
qlc: 1 error, 3 warnings
compile| qlc: compile failed: nothing was written to OUT
EOF
# --strict: warnings fail too.
"$qlc" check --strict "$work/rows/phrase-lines/pkg" >/dev/null 2>&1 && fail "check --strict passed warnings"
"$qlc" compile --strict "$work/rows/phrase-lines/pkg" --out "$work/strict" >/dev/null 2>&1 &&
  fail "compile --strict passed warnings"
[ -e "$work/strict" ] && fail "compile --strict wrote its output folder"

# check --fix on copies of the sample in other encodings (LF line ends and no final line end in
# the UTF-8 one): the text files come back as the original's bytes, and compile gives the files
# of compiled_files.sha256.
for encoding in UTF-8 UTF-16BE GB18030; do
  copy=$work/fix-$encoding
  cp -a "$work/sample" "$copy"
  while IFS= read -r -d '' file; do
    case $encoding in
      UTF-8) decode "$file" | tr -d '\r' >"$file.new" ;;
      UTF-16BE) { printf '\xfe\xff'; decode "$file" | iconv -f UTF-8 -t UTF-16BE; } >"$file.new" ;;
      GB18030) decode "$file" | iconv -f UTF-8 -t GB18030 >"$file.new" ;;
    esac
    mv "$file.new" "$file"
  done < <(find "$copy" -type f \( -iname '*.txt' -o -iname '*.ini' \) -print0)
  [ "$encoding" = UTF-8 ] && truncate -s -1 "$copy/symbol.txt"
  "$qlc" check --fix "$copy" >"$copy.out" 2>"$copy.err" ||
    { fail "check --fix of the $encoding copy exited $?"; cat "$copy.err"; }
  [ -s "$copy.err" ] && { fail "check --fix of the $encoding copy reported:"; cat "$copy.err"; }
  texts=$(find "$work/sample" -type f \( -iname '*.txt' -o -iname '*.ini' \) | wc -l)
  [ "$(grep -c '^fixed ' "$copy.out")" -eq "$texts" ] ||
    fail "check --fix of the $encoding copy fixed $(grep -c '^fixed ' "$copy.out") of $texts files"
  [ -f "$copy/setup.ini.orig" ] || fail "check --fix of the $encoding copy kept no setup.ini.orig"
  while IFS= read -r -d '' file; do
    cmp -s "$file" "$copy/${file#"$work/sample/"}" || fail "--fix from $encoding: ${file#"$work/sample/"} differs"
  done < <(find "$work/sample" -type f \( -iname '*.txt' -o -iname '*.ini' \) -print0)
  grep -qF 'fixed 文本词库/zk.txt: from '"$encoding" "$copy.out" ||
    [ "$encoding" = UTF-16BE ] || fail "--fix from $encoding does not name the encoding"
  "$qlc" compile "$copy" --out "$copy-out" >/dev/null 2>&1 || fail "compile after --fix from $encoding"
  (cd "$copy-out" && sha256sum -c --quiet "$source_dir/tests/qlc/compiled_files.sha256") ||
    fail "compile after --fix from $encoding gave other bytes"
done
grep -qxF "fixed symbol.txt: from UTF-8 without byte-order mark to UTF-16LE with byte-order mark; 15 LF line ends made CR LF; the final line end added (the original is symbol.txt.orig)" \
  "$work/fix-UTF-8.out" || { fail "--fix does not say what it changed"; cat "$work/fix-UTF-8.out"; }

# Damaged binary files for dump: NAME FILE MUTATION, the expected standard error on standard input
# (FILE stands for the file's path); every one exits 1.
compiled=$work/compiled
"$qlc" compile "$work/sample" --out "$compiled" >/dev/null 2>&1 || fail "compile of the sample"
u32_at() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
put_u32() {  # put_u32 FILE OFFSET VALUE
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($3 & 255)) $(($3 >> 8 & 255)) $(($3 >> 16 & 255)) $(($3 >> 24 & 255)))" |
    dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
swap_u32() { local a b; a=$(u32_at "$1" "$2"); b=$(u32_at "$1" "$3"); put_u32 "$1" "$2" "$b"; put_u32 "$1" "$3" "$a"; }
# The offsets of the entries of qinglan.idx's index that are key records (in_file_entries) or
# entry offsets with their default key (default_entries).
index_entries() {  # index_entries FILE ge|lt
  local at=$(u32_at "$1" 28) n=$(($(u32_at "$1" 32) / 4)) i
  for ((i = 0; i < n; i++)); do
    [ "$(u32_at "$1" $((at + 4 * i)))" -"$2" 2147483648 ] && echo $((at + 4 * i))
  done
}
in_file_entries() { index_entries "$1" ge; }
default_entries() { index_entries "$1" lt; }
dump_row() {
  local name=$1 source=$2 mutation=$3 file=$work/dump/$1 rc
  mkdir -p "$work/dump"
  cp "$source" "$file"
  eval "$mutation" || { fail "dump $name: the mutation failed"; return; }
  "$qlc" dump "$file" >/dev/null 2>"$file.err"
  rc=$?
  [ "$rc" -eq 1 ] || fail "dump $name exited $rc, expected 1"
  sed "s|FILE|$file|" >"$file.want"
  diff -u "$file.want" "$file.err" || fail "dump $name: diagnostics differ (- expected, + got)"
}
cz=$compiled/词库/cz.dat
idx=$compiled/$P/qinglan.idx
cz_index=$(u32_at "$cz" 12)
dump_row setup.ini "$compiled/setup.ini" ':' <<EOF
qlc: error: FILE is none of the files qlc dumps (cz.dat, User.dat, qinglan.idx, User.idx, zdybm.idx, zdydw.idx, punct/*.bin): its $(stat -c %s "$compiled/setup.ini") bytes have no header of theirs
EOF
dump_row cz-cut "$cz" 'truncate -s 100000 "$file"' <<EOF
FILE: error: TotalSize says $(stat -c %s "$cz") bytes, the file has 100000: cut short
FILE: error: the index (offset $cz_index, $(u32_at "$cz" 16) bytes) lies outside the file
EOF
dump_row cz-index-outside "$cz" 'put_u32 "$file" 12 4294967040' <<EOF
FILE: error: the index (offset 4294967040, $(u32_at "$cz" 16) bytes) lies outside the file
EOF
dump_row cz-counts "$cz" 'put_u32 "$file" 16 $(($(u32_at "$cz" 16) - 4))' <<EOF
FILE: error: the index has 138 entries for 139 records
EOF
dump_row cz-unsorted "$cz" 'swap_u32 "$file" $cz_index $((cz_index + 4))' <<EOF
FILE: error: index entries 0 and 1 are out of order
EOF
dump_row idx-cut "$idx" 'truncate -s 147000 "$file"' <<EOF
FILE: error: FileLength says $(stat -c %s "$idx") bytes, the file has 147000: cut short
FILE: error: the entry index (offset $(u32_at "$idx" 28), $(u32_at "$idx" 32) bytes) lies outside the file
FILE: error: the third area (offset $(u32_at "$idx" 36), 0 bytes) lies outside the file
EOF
index_at=$(u32_at "$idx" 28)
mapfile -t keyed < <(in_file_entries "$idx")
dump_row idx-unsorted "$idx" 'swap_u32 "$file" ${keyed[0]} ${keyed[-1]}' <<EOF
FILE: error: index entries $(((keyed[0] - index_at) / 4)) and $(((keyed[1] - index_at) / 4)) are out of key order
EOF
dump_row idx-counts "$idx" 'put_u32 "$file" ${keyed[0]} $(($(u32_at "$idx" ${keyed[0]}) - 2147483648))' <<EOF
FILE: error: the key area holds ${#keyed[@]} key records, the index points at $((${#keyed[@]} - 1))
EOF
# Values with default keys, in order among themselves but not with the rest: only the tree's
# cz.dat tells their keys.
mkdir -p "$work/dump"
cp -a "$compiled" "$work/dump/tree"
mapfile -t defaulted < <(default_entries "$idx")
dump_row "tree/$P/qinglan.idx" "$idx" 'swap_u32 "$file" ${defaulted[0]} ${defaulted[-1]}' <<EOF
FILE: error: index entries $(((defaulted[0] - index_at) / 4)) and $(((defaulted[0] - index_at) / 4 + 1)) are out of key order (against its cz.dat)
EOF
cp "$compiled/自定义输入/zdybm.TXT" "$work/dump/"
dump_row zdybm.idx "$compiled/自定义输入/zdybm.idx" 'put_u32 "$file" 0 1' <<EOF
FILE: error: the index does not hold exactly the entries of the text
EOF

finish "broken-package checks"
