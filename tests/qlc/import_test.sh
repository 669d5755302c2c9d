#!/usr/bin/env bash
# qlc import on small rime and libime dictionaries written here, and a generated dictionary of
# 100,000 phrases: import, check clean, compile, query, export --verify identical.
#   import_test.sh QLC SOURCE_DIR WORK_DIR
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/test_lib.sh" "$@"
# check_clean FOLDER: qlc check finds nothing in the imported pieces (the package has no module).
check_clean() {
  expect_rc 0 "$work/check.txt" -- "$qlc" check "$1"
  grep -E '^(文本词库|输入方案|setup.ini|symbol.txt|自定义输入)' "$work/check.txt" &&
    fail "qlc check of $1 warns about the imported pieces"
}
# round_trip FOLDER: compiles the package and checks that its export compiles to the same bytes.
round_trip() {
  expect_rc 0 "$work/compile.txt" -- "$qlc" compile "$1" --out "$1.out"
  expect_rc 0 "$work/verify.txt" -- "$qlc" export "$1.out/词库/cz.dat" --out "$1.exported" --verify
}
text() { tail -c +3 "$1" | iconv -f UTF-16LE -t UTF-8 | tr -d '\r'; }

rm -rf "$work"
mkdir -p "$work/rime" "$work/standins"
touch "$work/setup.exe"
"$source_dir/scripts/make-package" "$work/pkg" "$work/standins" "$work/setup.exe" 2>/dev/null ||
  { echo "FAIL: make-package"; exit 1; }

# rime: a table importing another, readings with shares, ü, duplicates (one with another
# reading), a character beyond U+FFFF, an unknown syllable; the weight file adds its phrases
# (use_preset_vocabulary).
cat >"$work/rime/base.dict.yaml" <<'YAML'
# 测试用
---
name: base
use_preset_vocabulary: true
import_tables:
  - extra
...

行	xing	80%
行	hang	20%
长	chang	60%
长	zhang	40%
银	yin
女	nü
你	ni
好	hao
银行	yin hang	500
行长	hang zhang	300
你好	ni hao	900
你好	ni hao	100
𠀀	ni
坏词	xx yy	5
行长	xing zhang	10
YAML
printf -- '---\nname: extra\n...\n大\tda\n家\tjia\n大家\tda jia\t700\n' >"$work/rime/extra.dict.yaml"
printf '你好\t1000\n大家\t50\n长大\t30\n行\t800\n长\t600\n' >"$work/rime/essay.txt"
cp -a "$work/pkg" "$work/from-rime"
expect_rc 0 "$work/rime.txt" -- "$qlc" import rime "$work/rime/base.dict.yaml" --weights "$work/rime/essay.txt" --out "$work/from-rime" --verbose
for line in "characters: 8 (8 with readings), phrases: 5, dycz.txt lines: 2" \
  "phrases: 4 of 5 at frequency 10 or more (source weight 300 and above), 1 below" \
  "dropped-character-beyond-U+FFFF: 1" "dropped-syllable-not-in-the-413: 1" \
  "merged-duplicate-by-highest-weight: 2" "u-umlaut-written-v: 1" \
  "dropped-other-reading-of-a-merged-duplicate: 1" \
  "$work/rime/base.dict.yaml:20: merged-duplicate-by-highest-weight: 你好" \
  "$work/rime/base.dict.yaml:23: dropped-other-reading-of-a-merged-duplicate: 行长" \
  "$work/rime/base.dict.yaml:22: dropped-syllable-not-in-the-413: 坏词 xx"; do
  expect_line "$work/rime.txt" "$line"
done
# Readings ordered by their share; phrases by rank of weight: 你好 1000, 大家 700, 银行 500,
# 行长 300, 长大 30 of five give 1 + 254 × (4, 3, 2, 1, 0) / 5.
[ "$(text "$work/from-rime/输入方案/拼音/mb.txt" | grep -E '^(行|长|女) ')" = $'行 xing hang\n长 chang zhang\n女 nv' ] ||
  fail "mb.txt: $(text "$work/from-rime/输入方案/拼音/mb.txt")"
[ "$(text "$work/from-rime/文本词库/导入词库.txt" | tail -5)" = $'银行 102\n行长 51\n你好 204\n大家 153\n长大 1' ] ||
  fail "dictionary: $(text "$work/from-rime/文本词库/导入词库.txt")"
[ "$(text "$work/from-rime/输入方案/拼音/dycz.txt")" = $'银行(hang)\n行(hang)长(zhang)' ] ||
  fail "dycz.txt: $(text "$work/from-rime/输入方案/拼音/dycz.txt")"
check_clean "$work/from-rime"
round_trip "$work/from-rime"
expect_rc 0 "$work/query.txt" -- "$qlc" query hangzhang dj --in "$work/from-rime.out"
expect_line "$work/query.txt" "   1   51  行长  hang'zhang  [key record]"
expect_line "$work/query.txt" "   1  153  大家  da'jia"

# libime, into a new folder, which becomes a package of its own: costs are negative weights. 银
# has no reading: 银行 could not be typed and is left out; 行银 is typed by 行 alone.
cat >"$work/libime.txt" <<'TXT'
行 xing 1.0
行 hang 2.0
长 chang 1.5
长 zhang 1.8
女 nü 2.0
你 ni 1.0
好 hao 1.0
你好 ni'hao 3.0
行长 hang'zhang 4.0
银行 yin'hang 3.5
行银 hang'yin 3.2
错误 cuo 2.0
半行
TXT
expect_rc 0 "$work/libime-out.txt" -- "$qlc" import libime "$work/libime.txt" --out "$work/from-libime"
for line in "characters: 5 (5 with readings), phrases: 3, dycz.txt lines: 1" \
  "phrases: 2 of 3 at frequency 10 or more (source weight -3.2 and above), 1 below" \
  "dropped-first-character-without-reading: 1" \
  "dropped-reading-not-one-per-character: 1" "skipped-line-not-in-the-format: 1" \
  "unstated-character-without-reading: 1" "u-umlaut-written-v: 1"; do
  expect_line "$work/libime-out.txt" "$line"
done
check_clean "$work/from-libime"
round_trip "$work/from-libime"
expect_rc 0 "$work/query2.txt" -- "$qlc" query nihao --in "$work/from-libime.out"
expect_line "$work/query2.txt" "   1  170  你好  ni'hao"

# Refused: GB18030 text, an output folder that is neither empty nor a package.
printf '\xc4\xe3\xba\xc3 1\n' >"$work/gb.txt"
expect_rc 1 "$work/gb-out.txt" -- "$qlc" import plain "$work/gb.txt" --out "$work/gb"
expect_rc 1 "$work/full-out.txt" -- "$qlc" import plain "$work/libime.txt" --out "$work/from-libime.out/词库"

# 100,000 generated phrases of 200 characters, every tenth character polyphonic and a third of
# the phrases holding one read by its second reading.
LC_ALL=C awk -v phrases=100000 '
function ch(k,  cp) { cp = 19968 + k; return sprintf("%c%c%c", 224 + int(cp / 4096), 128 + int(cp / 64) % 64, 128 + cp % 64) }
BEGIN {
  n = split("a ba ban bei bian bo cai can ce chang chen chi chu da dan de di dong du duo fa fang fei fen feng fu gai gan gao ge gong gu guan guo hai han hao he hong hou hu hua huan hui huo ji jia jian jiang jiao jie jin jing jiu ju jue kai kan ke kong kuai lai lan lao le li lian liang lin liu long lu lv ma mai man mei men mi mian min ming mo mu na nan nei neng ni nian niu nong nv pai pan pao pei peng pi pian pin ping po qi qian qiang qiao qie qin qing qiu qu quan que ran re ren ri rong ru shan shang shao she shen sheng shi shou shu shuang shui shuo si song su suan sui ta tai tan tang tao te ti tian tiao tie ting tong tou tu tuan wai wan wang wei wen wo wu xi xia xian xiang xiao xie xin xing xiong xiu xu xuan xue yan yang yao ye yi yin ying yong you yu yuan yue yun zai zan zao ze zeng zha zhan zhang zhao zhe zhen zheng zhi zhong zhou zhu zhuan zhuang zi zong zou zu zui zun zuo", syl, " ")
  for (k = 0; k < 200; k++) {
    first[k] = syl[1 + (k * 7) % n]; second[k] = syl[1 + (k * 13 + 5) % n]
    printf "%s %s %.1f\n", ch(k), first[k], (k % 17) / 4
    if (k % 10 == 0 && second[k] != first[k]) { printf "%s %s %.1f\n", ch(k), second[k], 5 + k % 3; poly[k] = 1 }
  }
  for (i = 0; i < phrases; i++) {
    if (i < 40000) { m = 2; c[1] = int(i / 200); c[2] = i % 200 }
    else { j = i - 40000; m = 3; c[1] = int(j / 10000); c[2] = int(j / 100) % 100; c[3] = j % 100 }
    text = ""; code = ""
    for (q = 1; q <= m; q++) {
      text = text ch(c[q])
      code = code (q > 1 ? "\x27" : "") ((poly[c[q]] && i % 3 == 0) ? second[c[q]] : first[c[q]])
    }
    printf "%s %s %.2f\n", text, code, (i * 7919 % 1000) / 100
  }
}' >"$work/generated.txt"
cp -a "$work/pkg" "$work/generated"
expect_rc 0 "$work/generated-out.txt" -- "$qlc" import libime "$work/generated.txt" --out "$work/generated"
expect_line "$work/generated-out.txt" "characters: 200 (200 with readings), phrases: 100000, dycz.txt lines: 9034"
check_clean "$work/generated"
round_trip "$work/generated"

finish "qlc import checks"
