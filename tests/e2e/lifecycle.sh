#!/usr/bin/env bash
# The life cycle of an installation under Wine, one scenario a run:
#   lifecycle.sh SCENARIO WINE_ARCH BUILD_DIR OUT_DIR
# Each scenario assembles the sample package in OUT_DIR, prepares the prefix for its names and
# folders, and compares snapshots of what an installation touches (ql_e2e_inspect snapshot)
# before and after:
#   remove     driven GUI installation, listed by the system's list of programs, then
#              uninsta.exe /S: the prefix is as before, the list without it; a second run finds
#              nothing and says so (exit 3)
#   keepdata   /S installation, the module adds its settings, uninsta.exe /S /KEEPDATA: only
#              User.dat and the settings stay; a later /S installation asks no settings
#   two        two installations under other names; removing one leaves the other as it was,
#              and the system's list of programs shows exactly the remaining one
#   in-use     the module's shared memory held: everything else goes, the module is deleted at
#              restart, exit 3010
#   confirm    the uninstaller's confirmation dialog driven: data kept as its check box says
#   same       a driven GUI installation and a /S installation with the same choices leave the
#              same files and registry values (the module's chosen file name aside); a /S
#              /UPGRADE with the same package then changes nothing
#   refused    a root folder (3), a bad name or switch (2) and a module in use (4): nothing
#              installed, and nothing moved for the first three
set -uo pipefail
scenario=$1
arch=$2
build=$(realpath "$3")
out=$(realpath -m "$4")
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export QL_WINE_ARCH=$arch
source "$root/scripts/lib.sh"
ql_wine_env
drive_c="$WINEPREFIX/drive_c"

fail() {
  echo "FAIL: $*"
  exit 1
}
run() { "$root/scripts/wine-run" "$arch" "$@"; }
inspect() { run "$build/tests/e2e/ql_e2e_inspect.exe" "$@"; }
driver() { run "$build/tests/e2e/ql_e2e_driver.exe" "$@"; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# expect_rc CODE COMMAND...: runs the command, which must end with CODE.
expect_rc() {
  local want=$1 rc
  shift
  "$@"
  rc=$?
  [ "$rc" -eq "$want" ] || fail "exit code $rc instead of $want: $*"
}
# package NAME: a fresh sample package at $out/NAME/package; echoes its path.
package() {
  bash "$root/tests/e2e/prepare-package.sh" sample "$out/$1" "$build/standins" \
    "$build/setup/setup.exe" >&2 || fail "package $1"
  printf '%s' "$out/$1/package"
}
# silent_setup PACKAGE ARGS...: setup.exe of PACKAGE run from there with ARGS.
silent_setup() {
  local pkg=$1
  shift
  (cd "$pkg" && run setup.exe "$@")
}
# uninstall TARGET ARGS...: the installed uninsta.exe; waits until its copy has removed it.
uninstall() {
  local target=$1 host rc
  shift
  host="$drive_c/${target#C:\\}"
  host=${host//\\//}
  run "$target\\uninsta.exe" "$@"
  rc=$?
  for _ in $(seq 1 100); do
    [ -e "$host/uninsta.exe" ] || break
    sleep 0.1
  done
  return "$rc"
}
snapshot() { inspect snapshot "$1" "$2" >"$out/$3" || fail "snapshot $3"; }
same_snapshots() { diff -u "$out/$1" "$out/$2" || fail "$3"; }
# without SECTION... <FILE: the snapshot without those sections.
without() {
  awk -v drop="$*" 'BEGIN { n = split(drop, d, ",") }
    /^[^ ]/ { skip = 0; for (i = 1; i <= n; i++) if (index($0, d[i]) == 1) skip = 1 }
    !skip' 
}
# driven_install PACKAGE TARGET: the GUI installation with the default choices, settings OK.
driven_install() {
  driver --package "$1" --timeout 120 --step "wait agreement" --step "click agreement 1031" \
    --step "wait install" --step "type install 1068 ${2//\\/\\\\}" --step "click install 1" \
    --step "wait settings" --step "click settings 1" --step "wait message" \
    --step "check message text:65535 ^= 安装成功！" --step "click message 1" --step "exit 0" \
    || fail "driven installation"
}
# programs_listed: the names the system's list of programs shows, one a line (Wine writes them in
# the locale's ANSI code page: GBK for Chinese).
programs_listed() {
  env LC_ALL=zh_CN.UTF-8 "$root/scripts/wine-run" "$arch" uninstaller --list 2>/dev/null \
    | iconv -f GBK -t UTF-8 | sed 's/|||.*//' | tr -d '\r'
}

name="青岚输入法平台 - 青岚拼音青岚形码"
mkdir -p "$out"
case "$scenario" in
  remove)
    target='C:\e2e\life'
    pkg=$(package remove)
    inspect prepare "$name" "$target" >/dev/null || fail prepare
    snapshot "$name" "$target" before
    driven_install "$pkg" "$target"
    inspect expect "$name" "$target" installed shortcuts 5 file uninsta.exe || fail "installed"
    programs_listed | grep -qxF "$name" || fail "the system's list of programs lacks the entry"
    expect_rc 0 uninstall "$target" /S "/LOG=$(windows_path "$out/uninstall.log")"
    snapshot "$name" "$target" after
    same_snapshots before after "the removal left something behind"
    ! programs_listed | grep -qxF "$name" || fail "the entry is still listed"
    # A second run of an uninstaller in the same place finds nothing to do.
    mkdir -p "$drive_c/e2e/life" && cp "$build/uninstall/uninsta.exe" "$drive_c/e2e/life/"
    expect_rc 3 run "$target\\uninsta.exe" /S "/LOG=$(windows_path "$out/second.log")"
    grep -q "没有安装" "$out/second.log" || fail "the second run did not say so"
    rm -rf "$drive_c/e2e/life"
    snapshot "$name" "$target" again
    same_snapshots before again "the second run changed something"
    ;;
  keepdata)
    target='C:\e2e\keep'
    pkg=$(package keepdata)
    inspect prepare "$name" "$target" >/dev/null || fail prepare
    snapshot "$name" "$target" before
    expect_rc 0 silent_setup "$pkg" /S "/D=$target"
    # The running module keeps many more settings than setup writes.
    reg="$drive_c/ql-module-settings.reg"
    {
      printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\%s]\r\n' "$name"
      for n in $(seq 1 55); do printf '"module%d"=dword:00000001\r\n' "$n"; done
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
    run regedit /S 'C:\ql-module-settings.reg' || fail "regedit"
    expect_rc 0 uninstall "$target" /S /KEEPDATA
    [ "$(cd "$drive_c/e2e/keep" && find . -type f)" = "./User.dat" ] || fail "more than User.dat kept"
    inspect expect "$name" "$target" settings 66 || fail "settings not kept"
    snapshot "$name" "$target" kept
    diff -u <(without settings,"installed folder" <"$out/before") \
      <(without settings,"installed folder" <"$out/kept") || fail "more than the data kept"
    # A later installation finds the settings: no questions, the module's values still there.
    pkg=$(package keepdata-again)
    expect_rc 0 silent_setup "$pkg" /S "/LOG=$(windows_path "$out/again.log")" "/D=$target"
    grep -q "步骤：编译词库" "$out/again.log" || fail "no second installation"
    ! grep -q "步骤：常用参数设置" "$out/again.log" || fail "the settings were asked again"
    inspect expect "$name" "$target" installed settings 66 || fail "the settings changed"
    ;;
  two)
    pkg=$(package two-beta)
    inspect prepare "QL Alpha" 'C:\e2e\alpha' >/dev/null || fail prepare
    inspect prepare "QL Beta" 'C:\e2e\beta' >/dev/null || fail prepare
    expect_rc 0 silent_setup "$pkg" /S "/NAME=QL Beta" '/D=C:\e2e\beta'
    snapshot "QL Beta" 'C:\e2e\beta' beta
    pkg=$(package two-alpha)
    expect_rc 0 silent_setup "$pkg" /S "/NAME=QL Alpha" '/D=C:\e2e\alpha'
    [ "$(programs_listed | grep -c '^QL ')" -eq 2 ] || fail "both are not listed"
    expect_rc 0 uninstall 'C:\e2e\alpha' /S
    snapshot "QL Beta" 'C:\e2e\beta' beta-after
    same_snapshots beta beta-after "removing one installation touched the other"
    [ "$(programs_listed | grep '^QL ')" = "QL Beta" ] || fail "the list of programs is wrong"
    inspect expect "QL Beta" 'C:\e2e\beta' module-copied shortcuts 5 file "词库\\cz.dat" \
      || fail "beta broken"
    grep -qi "IME file = .*<module>.ime" "$out/beta-after" || fail "beta has no keyboard layout"
    ;;
  in-use)
    target='C:\e2e\busy'
    pkg=$(package in-use)
    inspect prepare "$name" "$target" >/dev/null || fail prepare
    snapshot "$name" "$target" before
    expect_rc 0 silent_setup "$pkg" /S "/D=$target"
    stem=$(inspect module "$name" | tr -d '\r')
    [ -n "$stem" ] || fail "no module recorded"
    held=$(inspect hold "mvkorel6$stem" "$target\\uninsta.exe" /S)
    [ "$(tr -d '\r' <<<"$held")" = "exit code 3010" ] || fail "the uninstaller ended: $held"
    for _ in $(seq 1 100); do [ -e "$drive_c/e2e/busy" ] || break; sleep 0.1; done
    snapshot "$name" "$target" after
    # The record is gone, so the snapshot names the module as it is.
    grep -q "^    $stem.ime" "$out/after" || fail "the module in use was deleted"
    grep -A1 "^modules deleted at restart" "$out/after" | grep -qi "system32\\\\$stem.ime" \
      || fail "the module's deletion is not pending"
    diff -u <(without "system modules","modules deleted at restart" <"$out/before") \
      <(without "system modules","modules deleted at restart" <"$out/after") || fail "something else stayed"
    ;;
  confirm)
    target='C:\e2e\confirm'
    pkg=$(package confirm)
    inspect prepare "$name" "$target" >/dev/null || fail prepare
    expect_rc 0 silent_setup "$pkg" /S "/D=$target"
    driver --package "$target" --setup "$target\\uninsta.exe" --timeout 60 \
      --screenshots "$out/screenshots" \
      --step "wait uninstall" --step "check uninstall state:2002 == enabled checked" \
      --step "check uninstall text:2001 *= “${name}”" --step "click uninstall 1" \
      --step "wait message" --step "check message text:65535 *= 已从计算机上删除" \
      --step "click message 1" --step "exit 0" || fail "driven removal"
    for _ in $(seq 1 100); do [ -e "$drive_c/e2e/confirm/uninsta.exe" ] || break; sleep 0.1; done
    [ "$(cd "$drive_c/e2e/confirm" && find . -type f)" = "./User.dat" ] || fail "data not kept"
    ;;
  same)
    target='C:\e2e\same'
    pkg=$(package same-gui)
    inspect prepare "$name" "$target" >/dev/null || fail prepare
    driven_install "$pkg" "$target"
    snapshot "$name" "$target" gui
    expect_rc 0 uninstall "$target" /S
    pkg=$(package same-silent)
    expect_rc 0 silent_setup "$pkg" /S "/D=$target"
    snapshot "$name" "$target" silent
    # The tool library's stand-in logs the window it was given: the dialog's, or none.
    sed -i '/QLTOOL.log/d' "$out/gui" "$out/silent"
    same_snapshots gui silent "the unattended installation differs from the driven one"
    # An unattended upgrade with the same package changes nothing: same module, same records.
    pkg=$(package same-upgrade)
    expect_rc 0 silent_setup "$pkg" /S /UPGRADE "/D=$target"
    [ -z "$(ls -A "$pkg")" ] || fail "the upgrade did not take the package"
    snapshot "$name" "$target" upgraded
    # The upgrade brings the package's setup.ini, and a module name found again is not written
    # into it (only "Name" is): its "ImeFileName" is the package's.
    sed -i '/QLTOOL.log/d; /    setup.ini  /d' "$out/silent" "$out/upgraded"
    same_snapshots silent upgraded "the upgrade changed the installation"
    ;;
  refused)
    target='C:\e2e\refused'
    pkg=$(package refused)
    inspect prepare "$name" "$target" "layout" "E0020804" "QLBUSY.IME" >/dev/null || fail prepare
    snapshot "$name" "$target" before
    expect_rc 3 silent_setup "$pkg" /S '/D=C:\'
    expect_rc 3 silent_setup "$pkg" /S '/D=C:\windows\.'
    expect_rc 2 silent_setup "$pkg" /S '/NAME=a\b' "/D=$target"
    expect_rc 2 silent_setup "$pkg" /S /UNKNOWN
    [ -f "$pkg/setup.ini" ] && [ -f "$pkg/uninsta.exe" ] || fail "the package moved"
    snapshot "$name" "$target" after
    same_snapshots before after "a refused run changed something"
    held=$(cd "$pkg" && inspect hold mvkorel6QLBUSY "$(windows_path "$pkg")\\setup.exe" /S \
      "/D=$target")
    [ "$(tr -d '\r' <<<"$held")" = "exit code 4" ] || fail "setup ended: $held"
    inspect expect "$name" "$target" no-file "词库\\cz.dat" || fail "installed while in use"
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac
echo PASS
