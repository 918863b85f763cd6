#!/usr/bin/env bash
# Runs the system on a fresh simulated machine and leaves what it did for a
# person to look at:
#   1. the setup tool writes the controller's joystick OEM entries;
#   2. the effect-driver stand-in registers the driver and plays every
#      example effect script through it, recording each motor report;
#   3. the skin controls are painted into one window.
#
#   tools/run-demo.sh [OUT]      (default OUT: build/demo)
#
# OUT receives machine/ (the simulated C: drive and its registry file),
# padsetup-oem.reg, ffdriver-class.reg, effects/<script>.{log,csv,svg} and
# skins.png. The native build is configured and brought up to date first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/demo}")
bin=$root/build/native

cmake --preset native -S "$root" >/dev/null
cmake --build "$bin" --target padsetup VQ6100F distandin regexport skinlook

rm -rf "$out"
mkdir -p "$out/effects"
export QJ_MACHINE_ROOT=$out/machine

echo "== setup tool"
# The setup tool always ends with exit code 1.
set +e; "$bin/padsetup/padsetup"; rc=$?; set -e
[ "$rc" -eq 1 ] || { echo "padsetup: unexpected exit code $rc" >&2; exit 1; }
"$bin/tools/regexport/regexport" \
  'HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaProperties\PrivateProperties\Joystick\OEM\VID_7C3A&PID_A02f' \
  > "$out/padsetup-oem.reg"
echo "   OEM entries: $out/padsetup-oem.reg"

echo "== effect driver"
for script in "$root"/data/effects/*.txt; do
  name=$(basename "$script" .txt)
  "$bin/tools/distandin/distandin" --machine "$QJ_MACHINE_ROOT" \
    --csv "$out/effects/$name.csv" --svg "$out/effects/$name.svg" \
    "$bin/FF/VQ6100F.so" "$script" > "$out/effects/$name.log"
  echo "   $name: $(grep -c ' report ' "$out/effects/$name.log") reports, plot $out/effects/$name.svg"
done
"$bin/tools/regexport/regexport" 'HKEY_CLASSES_ROOT\CLSID\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}' \
  > "$out/ffdriver-class.reg"
echo "   driver registration: $out/ffdriver-class.reg"

echo "== skin controls"
"$bin/tools/skinlook/skinlook" "$out/skins.png"
echo "   $out/skins.png"
echo "== done: $out"
