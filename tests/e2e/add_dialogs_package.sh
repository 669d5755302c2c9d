#!/usr/bin/env bash
# Assembles the package of one add-dialog scenario:
#   add_dialogs_package.sh SCENARIO OUT_DIR STANDINS_DIR HOST_EXE
# The sample package with the test host as its setup.exe goes to OUT_DIR/package, with
# add-dialog.txt telling the host which dialog to show for how many list entries. The files the
# steps choose go to OUT_DIR/sources; OUT_DIR/expected/package holds the files the run is to
# write or leave in the package, by their place there. OUT_DIR/before.list lists the package's
# dictionary and scheme folders as they are before the run.
set -euo pipefail
scenario=$1
out=$2
standins=$3
host_exe=$4
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

bash "$here/prepare-package.sh" sample "$out" "$standins" "$host_exe"
pkg="$out/package"
sources="$out/sources"
want="$out/expected/package"
mkdir -p "$sources" "$want/文本词库" "$want/输入方案"

# UTF-8 with LF on stdin, the package's text form (UTF-16LE, byte-order mark, CR LF) on stdout.
package_text() {
  printf '\xff\xfe'
  sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE
}

# A plain word list, a backup of the platform with a description name, a code table.
printf '你好 5\n世界\n' | package_text >"$sources/a.txt"
printf '{参数设置}\nk=1\n{基本词组}\n[Description]\nName=我的备份\nAbout=全部资源\n[text]\n你好 9\n' |
  package_text >"$sources/backup.txt"
printf '[Description]\nName=我的码\n[Text]\na 工\n' | package_text >"$sources/mb.txt"

request() { printf '%s %s\n' "$1" "$2" >"$pkg/add-dialog.txt"; }

case "$scenario" in
  dictionary-plain)
    # a.txt is there already: the new one becomes a7.txt as entry 7, the old one stays.
    request dictionary 7
    printf '{词组}\n[Text]\n旧词\n' | package_text >"$pkg/文本词库/a.txt"
    cp "$pkg/文本词库/a.txt" "$want/文本词库/a.txt"
    printf '{词组}\n[Description]\nName=我的词库\n[Text]\n你好 5\n世界\n' |
      package_text >"$want/文本词库/a7.txt"
    ;;
  dictionary-backup)
    request dictionary 3
    printf '{参数设置}\nk=1\n{基本词组}\n[Description]\nName=我的备份\nAbout=全部资源\n[Text]\n你好 9\n' |
      package_text >"$want/文本词库/backup.txt"
    ;;
  dictionary-refusals) request dictionary 3 ;;
  dictionary-full) request dictionary 50 ;;
  scheme-standalone)
    # A folder 我的码 is there already: the new scheme's folder becomes 我的码4.
    request scheme 4
    mkdir -p "$pkg/输入方案/我的码" "$want/输入方案/我的码" "$want/输入方案/我的码4"
    printf 'old\n' | package_text >"$pkg/输入方案/我的码/mb.txt"
    cp "$pkg/输入方案/我的码/mb.txt" "$want/输入方案/我的码/mb.txt"
    cp "$sources/mb.txt" "$want/输入方案/我的码4/mb.txt"
    ;;
  scheme-refusals)
    request scheme 79
    mkdir -p "$want/输入方案/新码"
    cp "$sources/mb.txt" "$want/输入方案/新码/mb.txt"
    ;;
  scheme-full) request scheme 80 ;;
  *)
    echo "add_dialogs_package.sh: unknown scenario $scenario" >&2
    exit 2
    ;;
esac
(cd "$pkg" && find 文本词库 输入方案 | LC_ALL=C sort) >"$out/before.list"
