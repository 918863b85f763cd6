#!/usr/bin/env bash
# CI step: the Windows modules under Wine. Installs Debian's Wine (64-bit,
# and 32-bit where it can be installed), starts a persistent, warmed
# wineserver (.ci/wine-env.sh) and runs the workflows wine32 and wine64:
# cross-compiled builds whose modules' export and import tables are checked
# after linking, the conformance tests under Wine, and the end-to-end checks
# of the driver (regsvr32, COM, motor reports), of the setup program and of
# the property-sheet module in the system's property sheet (whose page data
# the native skingen makes: the native compiler and libraries come too).
# Where the kernel executes no 32-bit programs, the 32-bit tests run under
# qemu-i386 user-mode emulation (.ci/wine32-mode.sh says how it is set up);
# where that cannot be had either, they report skipped, and the step says so
# in its last line. The 64-bit ones always run. Reads no standard input;
# every Wine call has a timeout.
# QJ_WINE32_MODE=emulated runs the emulated road on a kernel that would run
# the 32-bit programs itself; QJ_WINE32_MODE=none skips the 32-bit tests.
set -euo pipefail
cd "$(dirname "$0")/.."
exec </dev/null
# The whole step has 40 minutes (QJ_WINE_STEP_SECONDS; it takes about 100 s
# on a fresh machine that runs 32-bit programs, and longer where the 32-bit
# tests run under emulation): timeout then ends the step's process group, and
# the step's exit ends the wineserver and with it every Wine process.
if [ -z "${QJ_WINE_STEP_TIMED:-}" ]; then
  export QJ_WINE_STEP_TIMED=1
  rc=0
  timeout -k 30 "${QJ_WINE_STEP_SECONDS:-2400}" bash "$0" "$@" || rc=$?
  [ "$rc" = 124 ] && echo "== wine: the step ran out of its ${QJ_WINE_STEP_SECONDS:-2400} s" >&2
  exit "$rc"
fi
t0=$(date +%s)
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

updated=0
update() {
  if [ "$updated" = 0 ]; then
    timeout 300 apt-get update -qq
    updated=1
  fi
}
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "== wine: adding the i386 architecture"
  dpkg --add-architecture i386
  update
fi
need=()
for pkg in wine wine64 cmake ninja-build googletest \
           g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
           g++ libfreetype-dev libpng-dev fonts-dejavu-core; do
  installed "$pkg" || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "== wine: installing ${need[*]}"
  update
  timeout 600 apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
if ! installed wine32:i386; then
  echo "== wine: installing wine32:i386"
  update
  timeout 600 apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null ||
    echo "== wine: wine32:i386 cannot be installed here; the 32-bit Windows tests will report skipped"
fi
t1=$(date +%s)

# How 32-bit Windows code runs here: natively, under qemu-i386 user-mode
# emulation, or not at all (.ci/wine32-mode.sh). One line says which.
QJ_WINE_ENV_NOSTART=1 . .ci/wine-env.sh
. .ci/wine32-mode.sh
read -r wine32_mode wine32_why <<<"$(qj_wine32_mode)"
case "$wine32_mode" in
  native) echo "== wine: 32-bit tests run natively ($wine32_why)" ;;
  emulated-*) echo "== wine: 32-bit tests run EMULATED (${QJ_WINE32_MODE:+forced by QJ_WINE32_MODE=$QJ_WINE32_MODE; }$wine32_why; minutes per Wine process)" ;;
  *) echo "== wine: 32-bit tests SKIPPED: $wine32_why" ;;
esac
# Only a native 32-bit Wine is warmed with the prefix; under emulation the
# 32-bit run warms it itself.
[ "$wine32_mode" = native ] || export QJ_WINE32_NOWARM=1
. .ci/wine-env.sh
# The persistent server goes with this step.
trap 'timeout 30 "$QJ_WINESERVER" -k >/dev/null 2>&1 || true' EXIT
trap 'exit 143' TERM
t2=$(date +%s)

echo "== wine: 32-bit modules and tests ($wine32_mode)"
bash .ci/wine32-run.sh "$wine32_mode" cmake --workflow --preset wine32
t3=$(date +%s)
# The cases that could not run under emulation passed ctest; say them here.
grep -ah 'NOT RUN under emulation' build/wine-i686/Testing/Temporary/LastTest.log 2>/dev/null | sort -u | sed -E 's/^(wine-gtest-whole|e2e-pages): /== wine: /' || true
echo "== wine: x86-64 modules and tests"
cmake --workflow --preset wine64
t4=$(date +%s)
echo "== wine: install $((t1 - t0)) s, prefix and server $((t2 - t1)) s, wine32 ($wine32_mode) $((t3 - t2)) s, wine64 $((t4 - t3)) s, total $((t4 - t0)) s"
if [ "$wine32_mode" = none ]; then
  echo "== wine: NOTE: the 32-bit Windows tests did NOT run on this machine ($wine32_why); only their builds and module tables were checked"
fi
