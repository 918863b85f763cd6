# Wine environment of the Windows test runs. Source it:
#   . .ci/wine-env.sh          set the variables, start a persistent wineserver
#                              and warm the prefix (created on first use)
#   QJ_WINE_ENV_NOSTART=1 . .ci/wine-env.sh   set the variables only
# Nothing here reads standard input; CI has none.

# Debian keeps the loaders and the server outside PATH.
QJ_WINE_DIR=${QJ_WINE_DIR:-/usr/lib/wine}
export QJ_WINE64="${QJ_WINE64:-$QJ_WINE_DIR/wine64}"
export QJ_WINE32="${QJ_WINE32:-$QJ_WINE_DIR/wine}"
export QJ_WINESERVER="${QJ_WINESERVER:-$QJ_WINE_DIR/wineserver64}"
[ -x "$QJ_WINESERVER" ] || QJ_WINESERVER="$QJ_WINE_DIR/wineserver"

export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-qj}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No prompts to install the .NET and HTML runtimes when the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# True when this machine executes 32-bit Linux programs (the 32-bit Wine
# loader is one); sandboxed kernels without 32-bit support do not.
qj_wine32_runs() {
  [ -x "$QJ_WINE32" ] && timeout 30 "$QJ_WINE32" --version </dev/null >/dev/null 2>&1
}

if [ -z "${QJ_WINE_ENV_NOSTART:-}" ]; then
  if [ ! -x "$QJ_WINE64" ]; then
    echo "wine-env: $QJ_WINE64 not found (Debian package wine64)" >&2
    return 1 2>/dev/null || exit 1
  fi
  mkdir -p "$WINEPREFIX"
  # -p: the server stays after its last client, so every test process
  # connects to a running server instead of starting one.
  # It refuses (exit code 2) when a server of this prefix runs already; that
  # one serves the tests then.
  timeout 30 "$QJ_WINESERVER" -p </dev/null || echo "wine-env: a wineserver of $WINEPREFIX runs already" >&2
  # The first program makes the prefix (a minute at most on a fresh machine).
  timeout -k 10 300 "$QJ_WINE64" cmd /c exit 0 </dev/null >/dev/null 2>&1 || {
    echo "wine-env: wine64 cannot run in $WINEPREFIX" >&2
    return 1 2>/dev/null || exit 1
  }
  # An unhandled exception ends the program with its exception code as the
  # exit code (0xC0000005 -> 5) instead of starting the debugger, whose
  # register dump and attach made a crashed test exit with 0 at times.
  for qj_view in /reg:64 /reg:32; do
    timeout -k 10 60 "$QJ_WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /t REG_SZ /d 'qj-no-debugger %ld %ld' /f "$qj_view" </dev/null >/dev/null 2>&1 ||
      echo "wine-env: cannot turn the crash debugger off ($qj_view)" >&2
  done
  unset qj_view
  # No display here: Wine's null graphics driver gives windows, dialogs and
  # GDI without one (else CreateWindow fails for want of a driver).
  timeout -k 10 60 "$QJ_WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f \
    </dev/null >/dev/null 2>&1 || echo "wine-env: cannot select the null graphics driver" >&2
  if [ -n "${QJ_WINE32_NOWARM:-}" ]; then
    :
  elif qj_wine32_runs; then
    timeout -k 10 120 "$QJ_WINE32" cmd /c exit 0 </dev/null >/dev/null 2>&1 || echo "wine-env: 32-bit wine cannot run in $WINEPREFIX" >&2
  elif [ ! -x "$QJ_WINE32" ]; then
    echo "wine-env: no 32-bit Wine ($QJ_WINE32, Debian package wine32:i386); 32-bit Windows tests will report skipped" >&2
  else
    echo "wine-env: this machine does not run 32-bit programs; 32-bit Windows tests will report skipped" >&2
  fi
fi
