# Shared by scripts/demo and scripts/test: installing what is missing, the build presets, the
# private Wine prefix and the virtual display.
# shellcheck shell=bash

QL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The sample package's composed name and proposed folder with its default choices (the demo's
# installation).
QL_DEMO_NAME="青岚输入法平台 - 青岚拼音青岚形码"
QL_DEMO_TARGET='C:\青岚输入法平台青岚拼音青岚形码'

QL_BUILD="$QL_ROOT/build"

ql_say() { printf '== %s\n' "$*"; }

# Debian packages the build and the tests need. wine32 comes from the i386 architecture.
QL_PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev mingw-w64 googletest wine wine32:i386
             wine64 xvfb xauth imagemagick fonts-wqy-microhei qemu-user-static g++-i686-linux-gnu)

ql_missing_packages() {
  local missing=() p
  for p in "${QL_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ "${#missing[@]}" -eq 0 ] || printf '%s\n' "${missing[@]}"
}

# Installs whatever is missing when run as root; otherwise prints the apt-get line and fails.
ql_ensure_packages() {
  local missing
  mapfile -t missing < <(ql_missing_packages "$@")
  [ "${#missing[@]}" -eq 0 ] && return 0
  local needs_i386=0 p
  for p in "${missing[@]}"; do [[ $p == *:i386 ]] && needs_i386=1; done
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run as root, or install them with:" >&2
    [ "$needs_i386" -eq 1 ] && echo "  sudo dpkg --add-architecture i386 && \\" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  ql_say "installing: ${missing[*]}"
  if [ "$needs_i386" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    >"$QL_BUILD/apt.log" 2>&1 || { cat "$QL_BUILD/apt.log" >&2; exit 1; }
}

ql_build() {  # ql_build PRESET
  cmake --preset "$1" >"$QL_BUILD/configure-$1.log" 2>&1 \
    || { cat "$QL_BUILD/configure-$1.log" >&2; return 1; }
  cmake --build --preset "$1"
}

# The Windows programs are 32-bit. Where this machine cannot execute 32-bit code (some virtual
# machines run a kernel without 32-bit support, so Wine's 32-bit loader cannot start), the same
# sources are also built for x86_64 and run under 64-bit Wine instead; QL_WINE_ARCH overrides.
ql_detect_wine_arch() {
  if [ -z "${QL_WINE_ARCH:-}" ]; then
    if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then QL_WINE_ARCH=win32; else QL_WINE_ARCH=win64; fi
  fi
  export QL_WINE_ARCH
  if [ "$QL_WINE_ARCH" = win32 ]; then QL_WIN_PRESET=windows; else QL_WIN_PRESET=windows-x64; fi
  export QL_WIN_PRESET
}

ql_wine_env() {
  ql_detect_wine_arch
  export WINEPREFIX="${QL_WINEPREFIX:-$QL_BUILD/wineprefix-$QL_WINE_ARCH}"
  export WINEARCH="$QL_WINE_ARCH" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ "$QL_WINE_ARCH" = win64 ]; then
    QL_WINE=/usr/lib/wine/wine64
    export WINELOADER=$QL_WINE
  else
    QL_WINE=/usr/lib/wine/wine
  fi
  export QL_WINE
}

# Creates the private prefix once, with Chinese fonts mapped to WenQuanYi Micro Hei so dialogs
# render legibly in screenshots.
ql_wine_prefix() {
  ql_wine_env
  if [ ! -f "$WINEPREFIX/.ql-ready" ]; then
    ql_say "creating the Wine prefix $WINEPREFIX (once)"
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    "$QL_WINE" wineboot -i >"$QL_BUILD/wineboot.log" 2>&1 || true
    wineserver -w
    if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
      cat "$QL_BUILD/wineboot.log" >&2
      echo "could not create the Wine prefix" >&2
      return 1
    fi
    local reg="$WINEPREFIX/drive_c/ql-fonts.reg"
    {
      printf 'REGEDIT4\r\n\r\n'
      printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
      for f in "SimSun" "NSimSun" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "MS Sans Serif" \
               "Microsoft Sans Serif" "宋体" "新宋体"; do
        printf '"%s"="WenQuanYi Micro Hei"\r\n' "$f"
      done
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
    "$QL_WINE" regedit /S 'C:\ql-fonts.reg' >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.ql-ready"
  fi
}

# Keeps one wineserver for the whole run, so each program starts fast.
# Also starts Wine's device services now, detached from any caller's output.
ql_wine_server_start() {
  ql_wine_env
  wineserver -p >/dev/null 2>&1 </dev/null || true
  "$QL_WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
}

ql_wine_server_stop() {
  ql_wine_env
  wineserver -k >/dev/null 2>&1 || true
}

# A virtual display when none is set; stopped by its own process id on exit.
QL_XVFB_PID=""
ql_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n
  for n in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    QL_XVFB_PID=$!
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    export DISPLAY=":$n"
    return 0
  done
  echo "no free display number for Xvfb" >&2
  return 1
}

ql_cleanup() {
  ql_wine_server_stop
  if [ -n "$QL_XVFB_PID" ]; then kill "$QL_XVFB_PID" 2>/dev/null || true; fi
}
