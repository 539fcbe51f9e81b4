#!/usr/bin/env bash
# Shared Wine set-up for the tests. Source it, then call:
#   wine_use_arch_of EXE  picks the prefix kind and loader for that program's build
#   wine_template DIR   boots a template prefix once into DIR (safe under parallel tests)
#   wine_fresh_prefix TEMPLATE DEST   copies the template into DEST for one clean run
#   wine_stop PREFIX    ends the wine server of that prefix (and so every program in it)
#   xvfb_start FIRST    starts a virtual screen on a free display from FIRST on; sets DISPLAY
#                       and XVFB_PID
#   xvfb_stop           stops the screen xvfb_start started
set -euo pipefail

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ja_JP.UTF-8

# Which build runs: win32, the product, under the 32-bit loader in a 32-bit prefix; or win64,
# the 64-bit build of the same sources, under the 64-bit loader in a 64-bit prefix (for machines
# that cannot run 32-bit programs; tests/wine/route.sh decides). Debian's "wine" command always
# takes the 32-bit loader when it is installed, so the loader is named directly, and every Wine
# program (wineboot, reg, regedit) goes through it.
wine_set_arch() {
  export FI_WINE_ARCH=$1
  export WINEARCH=$1
  case $1 in
  win32)
    WINE=/usr/lib/wine/wine
    unset WINELOADER
    ;;
  win64)
    WINE=/usr/lib/wine/wine64
    export WINELOADER=$WINE
    ;;
  *)
    echo "unknown Windows build '$1' (win32 or win64)" >&2
    return 2
    ;;
  esac
}

# The build of a Windows program, read from the machine field of its PE header.
wine_use_arch_of() {
  local exe=$1 pe machine
  pe=$(od -An -t u4 -j 60 -N 4 "$exe" | tr -d ' ')
  machine=$(od -An -t x2 -j $((pe + 4)) -N 2 "$exe" | tr -d ' ')
  case $machine in
  014c) wine_set_arch win32 ;;
  8664) wine_set_arch win64 ;;
  *)
    echo "$exe: not a 32- or 64-bit x86 Windows program (machine $machine)" >&2
    return 2
    ;;
  esac
}

wine_set_arch "${FI_WINE_ARCH:-win32}"

# Stops with a clear reason where this machine cannot start the loader the build needs.
wine_check_loader() {
  if ! "$WINE" --version >/dev/null 2>&1; then
    if [ "$FI_WINE_ARCH" = win32 ]; then
      echo "this machine cannot run 32-bit programs (Wine's 32-bit loader does not start):" \
        "prove the 64-bit build instead (cmake --workflow --preset win64, or FI_WINE_ROUTE=win64)" >&2
    else
      echo "Wine's 64-bit loader $WINE does not start (run .ci/setup)" >&2
    fi
    return 1
  fi
}

wine_template() {
  local dir=$1
  wine_check_loader
  mkdir -p "$(dirname "$dir")"
  (
    flock 9
    if [ ! -f "$dir/.ready" ]; then
      rm -rf "$dir"
      WINEPREFIX="$dir" "$WINE" wineboot.exe -i >/dev/null 2>&1 || true
      # Without a window manager, Wine waits for one each time a window is hidden unless told not to.
      WINEPREFIX="$dir" "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      # The dialogs ask for the proportional Japanese UI font of Windows; its nearest free
      # likeness here is IPA P Gothic. (A .reg file, since Japanese on Wine's command line is lost.)
      local reg="$dir/fonts.reg"
      printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n"ＭＳ ゴシック"="IPAGothic"\r\n' |
        iconv -f UTF-8 -t UTF-16 >"$reg"
      WINEPREFIX="$dir" "$WINE" regedit /S "$reg" >/dev/null 2>&1
      rm -f "$reg"
      WINEPREFIX="$dir" wineserver -w
      touch "$dir/.ready"
    fi
  ) 9>"$dir.lock"
}

wine_fresh_prefix() {
  local template=$1 dest=$2
  rm -rf "$dest"
  # Hard links for the bulk of the prefix, real copies of what Wine rewrites.
  cp -al "$template" "$dest"
  local f
  for f in "$dest"/*.reg; do
    cp --remove-destination "$template/$(basename "$f")" "$f"
  done
  rm -f "$dest/.ready"
}

wine_stop() {
  WINEPREFIX="$1" wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$1" wineserver -w >/dev/null 2>&1 || true
}

XVFB_PID=""

xvfb_start() {
  local first=${1:-100} n
  # Another run may take the same number at the same moment, so a screen counts as ours only
  # while our Xvfb is alive with its socket in place.
  for n in $(seq "$first" $((first + 60))); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$XVFB_PID" ] && break
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    # The lock file names the server that won the number: only ours counts.
    if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$XVFB_PID" 2>/dev/null &&
      [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$XVFB_PID" ]; then
      export DISPLAY=":$n"
      return 0
    fi
    xvfb_stop
  done
  echo "no free X display from :$first on" >&2
  return 1
}

xvfb_stop() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}
