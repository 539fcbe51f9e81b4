#!/usr/bin/env bash
# Decides which build the Windows side is proven on under Wine, prints it ("win32" or "win64")
# and says why in one line on standard error.
#
#   win32  the product itself: the 32-bit build in a 32-bit prefix. Wherever the kernel runs
#          32-bit programs (Wine's 32-bit loader is one).
#   win64  the 64-bit build of the same sources in a 64-bit prefix. Where the kernel cannot run
#          32-bit programs, or on any machine when FI_WINE_ROUTE=win64 is set.
#
# Needs Wine installed (.ci/setup) to tell.
set -euo pipefail

case "${FI_WINE_ROUTE:-}" in
win64)
  echo "FI_WINE_ROUTE=win64: the Windows-side tests run on the 64-bit build of the same sources in a 64-bit prefix" >&2
  echo win64
  ;;
win32)
  echo "FI_WINE_ROUTE=win32: the Windows-side tests run on the 32-bit build (the product) in a 32-bit prefix" >&2
  echo win32
  ;;
"")
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "this machine runs 32-bit programs: the Windows-side tests run on the 32-bit build (the product) in a 32-bit prefix" >&2
    echo win32
  else
    echo "this machine cannot run 32-bit programs: the Windows-side tests run on the 64-bit build of the same sources in a 64-bit prefix" >&2
    echo win64
  fi
  ;;
*)
  echo "FI_WINE_ROUTE must be win32, win64 or unset, not '$FI_WINE_ROUTE'" >&2
  exit 2
  ;;
esac
