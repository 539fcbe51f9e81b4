#!/usr/bin/env bash
# Shows the installer at work on a demo package, for a person to look at.
#
#   demo/run-demo.sh build/win32/FontInstaller.exe   (or build/win64/FontInstaller.exe)
#
# Makes the demo package in a temporary folder: its fonts (demo/make_demo.py), then its
# FontList.txt written by `fontlist.exe make`, whose `check` verdict it prints. It starts the
# installer from it in a fresh copy of the template Wine prefix, and prints the path of a
# screenshot taken once its window is up.
#
# With DISPLAY set, the installer appears on that display, to be worked by hand; the script waits
# for it to end, at most DEMO_TIMEOUT seconds (300). Without DISPLAY, it runs on an Xvfb of its
# own and the script works it through a whole install (demo/install_headless.py, with uidriver.exe
# and fontprobe.exe from the build): every font into the Fonts folder, the completion message
# confirmed, then the registry's font table and the Fonts folder printed for the package's fonts.
# In both cases it stops the wine server and, if it started one, Xvfb at the end.
#
# The template prefix is FI_WINE_TEMPLATE, by default wine-template beside the exe (the build
# folder); it is made on first use. Builds nothing.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 PATH/TO/FontInstaller.exe" >&2
  exit 2
fi
exe=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/wine/prefix.sh"
# The exe's own build picks the loader: the product (32-bit) or the 64-bit build of its sources.
wine_use_arch_of "$exe"

template=${FI_WINE_TEMPLATE:-$(dirname "$exe")/wine-template}
uidriver=${FI_UIDRIVER:-$(dirname "$exe")/tests/e2e/uidriver.exe}
fontlist=${FI_FONTLIST:-$(dirname "$exe")/fontlist.exe}
fontprobe=${FI_FONTPROBE:-$(dirname "$exe")/tests/e2e/fontprobe.exe}
timeout_s=${DEMO_TIMEOUT:-300}

workdir=$(mktemp -d "${TMPDIR:-/tmp}/fi-demo.XXXXXX")
prefix=""

cleanup() {
  if [ -n "$prefix" ]; then
    wine_stop "$prefix"
    rm -rf "$prefix"
  fi
  xvfb_stop
}
trap cleanup EXIT

package="$workdir/package"
/usr/bin/python3 "$here/make_demo.py" "$package"
cp "$exe" "$package/FontInstaller.exe"
echo "package: $package"
echo "build: $FI_WINE_ARCH ($exe)"

own_screen=""
if [ -z "${DISPLAY:-}" ]; then
  xvfb_start 80
  own_screen=1
  echo "display: $DISPLAY (Xvfb)"
else
  echo "display: $DISPLAY"
fi

wine_template "$template"
# Beside the template: the fresh prefix is hard-linked to it, so it must be on the same disk.
prefix=$(mktemp -d "$(dirname "$template")/demo-prefix.XXXXXX")
wine_fresh_prefix "$template" "$prefix"
export WINEPREFIX="$prefix"

# The font maker's step: FontList.txt from the fonts' own names, then the check of it.
package_win="Z:${package//\//\\}"
"$WINE" "$fontlist" make "$package_win" >"$workdir/make.log" 2>&1 || {
  iconv -f CP932 -t UTF-8 "$workdir/make.log" >&2
  echo "fontlist make failed" >&2
  exit 1
}
echo "FontList.txt written by fontlist make:"
iconv -f CP932 -t UTF-8 "$package/FontList.txt" | sed 's/\r$//; s/^/  /'
set +e
"$WINE" "$fontlist" check "$package_win" >"$workdir/check.log" 2>&1
check_code=$?
set -e
echo "fontlist check (exit code $check_code):"
iconv -f CP932 -t UTF-8 "$workdir/check.log" | sed 's/\r$//; s/^/  /'
if [ "$check_code" -ne 0 ]; then
  echo "fontlist check found errors in the demo package" >&2
  exit 1
fi

# Output to a file: the wine server may hold a pipe open after the program has ended.
"$WINE" "$package/FontInstaller.exe" >"$workdir/installer.log" 2>&1 &
installer_pid=$!

# The first window: the main dialog, or a message box when the package is wrong.
if [ -f "$uidriver" ]; then
  caption_hex=$(printf '%s' 'フォントのインストール' | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n')
  "$WINE" "$uidriver" wait --caption-hex "$caption_hex" --class '#32770' --timeout-ms 30000 \
    >"$workdir/wait.log" 2>&1 || echo "no installer window within 30 s" >&2
  sleep 0.5  # let it finish painting
else
  sleep 5
fi
import -window root "$workdir/screenshot.png"
echo "screenshot: $workdir/screenshot.png"

# On a screen of its own nobody can work the dialog, so the demo works it as a user would: every
# font, the standard Fonts folder, the install button, the completion message. Then it shows
# what was installed.
install_result=0
if [ -n "$own_screen" ]; then
  hwnd=$(sed -n 's/^window hwnd=\([0-9A-Fa-f]*\).*/\1/p' "$workdir/wait.log" | head -n 1)
  if [ -n "$hwnd" ] && [ -f "$uidriver" ] && [ -f "$fontprobe" ]; then
    echo "installing every font of the package on the virtual screen"
    /usr/bin/python3 "$here/install_headless.py" --uidriver "$uidriver" --fontprobe "$fontprobe" \
      --hwnd "$hwnd" --package "$package" || install_result=$?
  elif [ -n "$hwnd" ] && [ -f "$uidriver" ]; then
    echo "no fontprobe.exe beside uidriver.exe: closing the window instead" >&2
    "$WINE" "$uidriver" click --hwnd "$hwnd" --id 2 >/dev/null 2>&1 || true
  fi
fi

echo "waiting for the installer to end (at most ${timeout_s} s)..."
deadline=$((SECONDS + timeout_s))
while kill -0 "$installer_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
  sleep 1
done
if kill -0 "$installer_pid" 2>/dev/null; then
  echo "the installer is still running after ${timeout_s} s; stopping it" >&2
  wine_stop "$prefix"
  wait "$installer_pid" 2>/dev/null || true
  exit 124
fi
set +e
wait "$installer_pid"
code=$?
set -e
echo "installer exit code: $code"
if [ "$code" -eq 0 ] && [ "$install_result" -ne 0 ]; then
  echo "the install did not complete" >&2
  exit "$install_result"
fi
exit "$code"
