#!/usr/bin/env bash
# Runs a command (the wine32 workflow) with 32-bit Windows code runnable
# under Wine in the given mode (.ci/wine32-mode.sh):
#   wine32-run.sh MODE COMMAND [ARGS...]
# native, none: the command runs as it is.
# emulated-registered: an i386 binfmt_misc entry exists already.
# emulated-namespace: the command runs in a new user and mount namespace
#   whose own binfmt_misc takes i386 programs to qemu-i386-static; nothing
#   outside the namespace sees the entry, and it ends with the command.
# emulated-machine: the entry is registered with the machine's binfmt_misc
#   (mounted first where needed) and removed when the command ends.
# Under emulation QJ_WINE32_EMULATED=1 is exported (the Windows test build
# then runs each test program once, whole, and gives Wine more time), and the
# 32-bit side of the prefix is warmed once before the command.
set -u
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
cd "$(dirname "$self")/.."
mode=${1:?mode}
shift
QJ_WINE_ENV_NOSTART=1 . .ci/wine-env.sh
. .ci/wine32-mode.sh

# qemu-i386 gives a 32-bit guest 4 GB of address space by default. Wine
# then tries to reserve everything above 2 GB for itself, and since the
# emulator takes an address for a hint only, Wine splits the area down to
# 64 KB pieces, each a failed try: about 130,000 emulated mmap and munmap
# calls at every process start, two minutes or more. The Windows programs
# here use nothing above 2 GB, and the emulator puts its own libraries at
# the top: 2 GB and 32 MB of address space start a process in seconds.
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0x82000000}

warm() {
  local t0=$(date +%s)
  # The first 32-bit program loads and translates Wine's 32-bit side; under
  # emulation that takes minutes, once.
  timeout -k 10 900 "$QJ_WINE32" cmd /c exit 0 </dev/null >/dev/null 2>&1 ||
    echo "wine32-run: the 32-bit side of $WINEPREFIX did not start under emulation" >&2
  echo "== wine: 32-bit Wine started under emulation in $(( $(date +%s) - t0 )) s"
}

case "$mode" in
  native|none)
    exec "$@" ;;
  emulated-registered)
    export QJ_WINE32_EMULATED=1
    warm
    exec "$@" ;;
  emulated-namespace)
    if [ -z "${QJ_WINE32_IN_NAMESPACE:-}" ]; then
      export QJ_WINE32_IN_NAMESPACE=1
      exec unshare --user --map-root-user --mount --fork -- bash "$self" "$mode" "$@"
    fi
    qj_binfmt_register || { echo "wine32-run: cannot register qemu-i386 in the namespace's binfmt_misc" >&2; exit 1; }
    export QJ_WINE32_EMULATED=1
    warm
    "$@" ;;
  emulated-machine)
    qj_binfmt_register || { echo "wine32-run: cannot register qemu-i386 with binfmt_misc" >&2; exit 1; }
    trap qj_binfmt_unregister EXIT
    export QJ_WINE32_EMULATED=1
    warm
    "$@" ;;
  *)
    echo "wine32-run: unknown mode $mode" >&2; exit 2 ;;
esac
