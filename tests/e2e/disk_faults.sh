#!/usr/bin/env bash
# Installations that meet a full disk or are killed, under Wine, checked afterwards with the
# project's own decoders (ql_e2e_inspect expect ... sound):
#   disk_faults.sh full-disk|killed WORK STANDINS SETUP_EXE DRIVER INSPECT WINE_ARCH
# full-disk: the target lies on drive T:, a small tmpfs mounted for the test (root only; skipped
#   otherwise). For a sweep of sizes that hold the package but not all the compiled data, setup
#   must tell the user, and every data file it left must be whole.
# killed: one installation, then reinstalls into the same folder with setup terminated at a sweep
#   of moments after the install button; after each, every data file must be whole (a write the
#   kill cut short leaves only its temporary file), and a last reinstall must complete and leave
#   no temporary file.
set -uo pipefail
mode=$1 work=$2 standins=$3 setup=$4 driver=$5 inspect=$6 arch=$7
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
name="青岚输入法平台 - 青岚拼音青岚形码"
rm -rf "$work" && mkdir -p "$work"

wine_run() { "$root/scripts/wine-run" "$arch" "$@"; }

# A fresh copy of the sample package in $package (each run moves its package away).
packages=0
new_package() {
  packages=$((packages + 1))
  package="$work/p$packages/package"
  bash "$here/prepare-package.sh" sample "$work/p$packages" "$standins" "$setup" >/dev/null
}

# drive STEP...: setup on a fresh package, driven up to the install button with $target typed
# into the folder field, then the STEPs.
drive() {
  new_package || return 1
  local args=(--package "$package" --timeout 150 --step "wait agreement"
    --step "click agreement 1031" --step "wait install"
    --step "type install 1068 ${target//\\/\\\\}" --step "click install 1")
  for step in "$@"; do
    args+=(--step "$step")
  done
  wine_run "$driver" "${args[@]}"
}

failures=0
expect() {
  wine_run "$inspect" expect "$name" "$target" "$@" || failures=$((failures + 1))
}

case "$mode" in
  full-disk)
    if [ "$(id -u)" != 0 ]; then
      echo "SKIP: mounting the small drive needs root"
      exit 77
    fi
    source "$root/scripts/lib.sh"
    ql_wine_env
    drive_dir="$work/t"
    mkdir -p "$drive_dir"
    trap 'umount "$drive_dir" 2>/dev/null; rm -f "$WINEPREFIX/dosdevices/t:"' EXIT
    ln -sfn "$drive_dir" "$WINEPREFIX/dosdevices/t:"
    new_package || exit 1
    package_kb=$(du -sk "$package" | cut -f1)
    target='T:\e2e\full'
    # The package with this much room to spare: each size runs out at another step of the
    # compile (the stamped module's copy, cz.dat, User.dat, the indexes).
    for spare_kb in 100 500 900 1300; do
      size_kb=$((package_kb + spare_kb))
      echo "== a drive of $size_kb KB, $spare_kb KB more than the package"
      umount "$drive_dir" 2>/dev/null
      mount -t tmpfs -o "size=${size_kb}k" tmpfs "$drive_dir" || {
        echo "SKIP: cannot mount a tmpfs"
        exit 77
      }
      wine_run "$inspect" prepare "$name" "$target" >/dev/null
      drive "answer 1" || failures=$((failures + 1))
      expect sound
    done
    ;;
  killed)
    target='C:\e2e\killed'
    wine_run "$inspect" prepare "$name" "$target" >/dev/null
    echo "== the first installation"
    drive "answer 0" || failures=$((failures + 1))
    expect installed sound
    for ms in 0 100 250 500 800 1200 1700 2300 3000 4000; do
      echo "== a reinstall killed $ms ms after the install button"
      drive "kill $ms" || failures=$((failures + 1))
      expect whole
    done
    echo "== a reinstall that runs to its end"
    drive "answer 0" || failures=$((failures + 1))
    expect installed sound
    ;;
  *)
    echo "unknown mode $mode"
    exit 2
    ;;
esac
echo "failures: $failures"
[ "$failures" = 0 ]
