#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest (the cross-compiling emulator).
#   wine-run.sh <i686|x86_64> program.exe [args...]
#   wine-run.sh <arch> --probe   exit 0 when Wine can run code of <arch> here
#   wine-run.sh <arch> --skip    report why not and exit 77 (ctest: skipped)
# The environment comes from .ci/wine-env.sh; the program gets no standard input
# and is ended after QJ_WINE_TIMEOUT seconds (120 unless set; 1500 for 32-bit
# code under user-mode emulation, QJ_WINE32_EMULATED=1, where one Wine process
# takes minutes to start).
set -u
arch=${1:?architecture}
shift
QJ_WINE_ENV_NOSTART=1 . "$(dirname "$0")/../.ci/wine-env.sh"

case "$arch" in
  x86_64) loader=$QJ_WINE64 ;;
  i686)   loader=$QJ_WINE32 ;;
  *) echo "wine-run: unknown architecture $arch" >&2; exit 2 ;;
esac

why_not() {
  if [ ! -x "$loader" ]; then
    echo "Wine loader $loader is not installed"
  elif [ "$arch" = i686 ] && ! qj_wine32_runs; then
    echo "this machine does not execute 32-bit programs, so Wine runs no 32-bit Windows code here"
  fi
}

timeout=${QJ_WINE_TIMEOUT:-120}
[ "$arch" = i686 ] && [ "${QJ_WINE32_EMULATED:-}" = 1 ] && timeout=${QJ_WINE_TIMEOUT:-1500}

reason=$(why_not)
case "${1:-}" in
  --probe)
    [ -z "$reason" ] && exit 0
    echo "$reason"; exit 77 ;;
  --skip)
    echo "skipped: ${reason:-requested}"; exit 77 ;;
esac
if [ -n "$reason" ]; then
  echo "skipped: $reason"; exit 77
fi
timeout -k 10 "$timeout" "$loader" "$@" </dev/null
rc=$?
# 139: the Wine loader itself died of SIGSEGV. A fault of the Windows program
# does not end so (Wine turns it into an exception, and an unhandled one
# into the exit code 5 = 0xC0000005). Debian's 32-bit Wine 8 has been seen to
# die so, rarely, as a test process ended after its test had passed. Such a
# run is repeated once; a second crash stands. QJ_WINE_NO_RETRY=1 (set by
# tools/wine-gtest-whole.sh, which starts a program again itself) turns the
# repeat off.
if [ "$rc" = 139 ] && [ -z "${QJ_WINE_NO_RETRY:-}" ]; then
  echo "wine-run: the Wine loader died of SIGSEGV (Wine's own crash, not the program's); running $1 once more" >&2
  timeout -k 10 "$timeout" "$loader" "$@" </dev/null
  rc=$?
fi
exit "$rc"
