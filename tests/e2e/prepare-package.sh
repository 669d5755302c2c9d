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
  added)
    # Sources the user adds from the install dialog: a plain word list, a backup of the platform
    # (settings, double-pinyin layout, custom codes, basic and user phrases) and a code table.
    mkdir -p "$out/sources"
    printf '%s\n' '{参数设置}' '模糊音=1' '{结束}' '{自定义双拼}' '[双拼]' 'zh=v' '{结束}' \
      '{自定义编码}' '[形码]' 'ls 老师' '{结束}' '{基本词组}' '[Description]' 'Name=我的备份' \
      'About=全部资源' '[Text]' '同事开心 8' '{用户词组}' '老师同学 3' | package_text \
      >"$out/sources/backup.txt"
    printf '老师开心 7\n公司同事 6\n' | package_text >"$out/sources/mine.txt"
    printf '[Description]\nName=我的码\nMaxCodes=4\n[Text]\nls 老师\n' | package_text \
      >"$out/sources/mb.txt"
    ;;
  names-module | names-zero | names-none)
    # A manifest whose names differ from the module's, so the title shows whose name won.
    sed -e 's/^MainName=.*/MainName=青岚拼音/' -e 's/^Name=.*/Name=青岚拼音 标准版/' \
      "$root/sample/package/setup.ini" | package_text >"$pkg/setup.ini"
    rm -f "$pkg/qlsrfpt.ime"
    case "$variant" in
      names-module) module=qlsrfpt.ime ;;
      names-zero) module=qlsrfpt-zero.ime ;;
      *) module= ;;
    esac
    if [ -n "$module" ] && [ -f "$standins/$module" ]; then
      cp "$standins/$module" "$pkg/qlsrfpt.ime"
    fi
    ;;
  license-missing)
    rm "$pkg/License.txt"
    ;;
  license-2000)
    # Exactly as much as the agreement reads: shown whole.
    cp "$expected/license.txt" "$pkg/License.txt"
    ;;
  ini-missing)
    rm -f "$pkg/setup.ini" "$pkg/qlsrfpt.ime"
    ;;
  ini-empty)
    : >"$pkg/setup.ini"
    rm -f "$pkg/qlsrfpt.ime"
    ;;
  ini-utf16-nobom)
    tail -c +3 "$pkg/setup.ini" >"$out/setup.ini" && mv "$out/setup.ini" "$pkg/setup.ini"
    rm -f "$pkg/qlsrfpt.ime"
    ;;
  ini-utf8-nobom)
    sed 's/$/\r/' "$root/sample/package/setup.ini" >"$pkg/setup.ini"
    rm -f "$pkg/qlsrfpt.ime"
    ;;
  ini-overlong)
    # Every value longer than its limit, and more schemes and dictionaries than setup can hold.
    long60=$(printf '甲乙丙丁戊己庚辛壬癸%.0s' 1 2 3 4 5 6)
    long200=$(printf '%s' "$long60$long60$long60" "子丑寅卯辰巳午未申酉亥戌子丑寅卯辰巳午未")
    {
      printf '[soft]\nMainName=%s\nName=%s\n' "$long60" "$long60"
      printf 'Date=2008-10-18 build 0123456789abcdef\nVersion=4.10.2008.1018.final\n'
      printf 'ImeFileName=qlsrfpt-with-a-much-too-long-file-name\nSetup=%s\n' \
        "$long200$long200$long200"
      for family in 主键盘输入法:60 拼音辅助输入法:30 小键盘输入法:10; do
        for n in $(seq 1 "${family#*:}"); do
          printf '[%s%d]\nname=%s%d\nPath=%s\nDefault=是\nAbout=%s\nLock=%s\n' "${family%:*}" \
            "$n" "$long60$long60" "$n" "$long60$long60" "$long200" "$long60"
        done
      done
      for n in $(seq 1 70); do
        printf '[词库%d]\nname=%s%d\nFileName=%s.txt\nDefault=是\nAbout=%s\n' "$n" "$long60" "$n" \
          "$long60" "$long200"
      done
    } | package_text >"$pkg/setup.ini"
    rm -f "$pkg/qlsrfpt.ime"
    ;;
  *)
    echo "prepare-package.sh: unknown variant $variant" >&2
    exit 2
    ;;
esac
