#!/usr/bin/env bash
# CI step: the Windows modules under Wine. Installs Debian's Wine (64-bit,
# and 32-bit where it can be installed), starts a persistent, warmed
# wineserver (.ci/wine-env.sh) and runs the workflows wine32 and wine64:
# cross-compiled builds whose modules' export and import tables are checked
# after linking, the conformance tests under Wine, and the end-to-end checks
# of the driver (regsvr32, COM, motor reports), of the setup program and of
# the property-sheet module in the system's property sheet (whose page data
# the native skingen makes: the native compiler and libraries come too).
# Where this machine cannot execute 32-bit programs, the 32-bit tests report
# skipped; the 64-bit ones always run. Reads no standard input; every Wine
# call has a timeout.
set -euo pipefail
cd "$(dirname "$0")/.."
exec </dev/null
# The whole step has 14 minutes (QJ_WINE_STEP_SECONDS; it takes about 100 s
# on a fresh machine): timeout then ends the step's process group, and the
# step's exit ends the wineserver and with it every Wine process.
if [ -z "${QJ_WINE_STEP_TIMED:-}" ]; then
  export QJ_WINE_STEP_TIMED=1
  rc=0
  timeout -k 30 "${QJ_WINE_STEP_SECONDS:-840}" bash "$0" "$@" || rc=$?
  [ "$rc" = 124 ] && echo "== wine: the step ran out of its ${QJ_WINE_STEP_SECONDS:-840} s" >&2
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

. .ci/wine-env.sh
# The persistent server goes with this step.
trap 'timeout 30 "$QJ_WINESERVER" -k >/dev/null 2>&1 || true' EXIT
trap 'exit 143' TERM
t2=$(date +%s)

echo "== wine: 32-bit modules and tests"
cmake --workflow --preset wine32
t3=$(date +%s)
echo "== wine: x86-64 modules and tests"
cmake --workflow --preset wine64
t4=$(date +%s)
echo "== wine: install $((t1 - t0)) s, prefix and server $((t2 - t1)) s, wine32 $((t3 - t2)) s, wine64 $((t4 - t3)) s, total $((t4 - t0)) s"
