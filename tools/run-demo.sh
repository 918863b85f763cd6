#!/usr/bin/env bash
# Runs the system on a fresh simulated machine and leaves what it did for a
# person to look at:
#   1. the setup tool writes the controller's joystick OEM entries;
#   2. the effect-driver stand-in registers the driver and plays every
#      example effect script through it, recording each motor report;
#   3. the skin controls are painted into one window;
#   4. the page data (Setup.ini, skins) is installed and the Game Controllers
#      stand-in opens the controller's property sheet from the server module
#      (found through the ConfigCLSID of the OEM entries; the module is named
#      on the command line, as no deliverable registers its class) and plays
#      each example user script of data/cplscripts on the pages.
#
#   tools/run-demo.sh [OUT]      (default OUT: build/demo)
#
# OUT receives machine/ (the simulated C: drive and its registry file
# machine/registry.reg), padsetup-oem.reg, ffdriver-class.reg,
# effects/<script>.{log,csv,svg}, skins.png, cpl/<script>/ (log.txt, the page
# pictures *.png, reports.csv: the motor reports the controller received,
# those of the vibration test in cpl/vibration/reports.csv) and
# cpl-settings.reg (the settings record the pages left). The native build is
# configured and brought up to date first; QJ_BUILD_DIR names an already
# configured build folder to use instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/demo}")
if [ -n "${QJ_BUILD_DIR:-}" ]; then
  bin=$(realpath -m "$QJ_BUILD_DIR")
else
  bin=$root/build/native
  cmake --preset native -S "$root" >/dev/null
fi

cmake --build "$bin" --target padsetup VQ6100F distandin regexport regimport skinlook skingen cplhost

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
echo "== control panel"
# The server module is built on its own, so that the steps above stand when
# it does not build.
if cmake --build "$bin" --target cplpages > "$out/cpl-build.log" 2>&1; then
  rm -f "$out/cpl-build.log"
  "$bin/tools/skingen/skingen" "Z:$root/data/Setup.ini" > /dev/null
  # The property-sheet server does not register itself: its installer writes
  # the class key that the OEM entries' ConfigCLSID names.
  server=$(printf 'Z:%s' "$bin/cplpages/cplpages.so" | sed 's|/|\\\\|g')
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\CLSID\\{2F64D0A8-7C3A-A02F-C5B1-6E93A0D4172B}\\InProcServer32]\r\n@="%s"\r\n' \
    "$server" > "$out/cplpages-class.reg"
  "$bin/tools/regimport/regimport" "$out/cplpages-class.reg"
  echo "   server registration: $out/cplpages-class.reg"
  for script in "$root"/data/cplscripts/*.txt; do
    name=$(basename "$script" .txt)
    mkdir -p "$out/cpl/$name"
    "$bin/tools/cplhost/cplhost" --machine "$QJ_MACHINE_ROOT" --out "$out/cpl/$name" \
      "$script" > "$out/cpl/$name/log.txt"
    pictures=$(find "$out/cpl/$name" -name '*.png' | wc -l)
    reports=$(($(wc -l < "$out/cpl/$name/reports.csv") - 1))
    echo "   $name: $pictures pictures, $reports motor reports in $out/cpl/$name"
  done
  "$bin/tools/regexport/regexport" 'HKEY_LOCAL_MACHINE\Software\VevOvuRivizud' > "$out/cpl-settings.reg"
  echo "   vibration test reports: $out/cpl/vibration/reports.csv"
  echo "   settings record: $out/cpl-settings.reg"
else
  echo "   skipped: the property-sheet server module (target cplpages) does not build now; see $out/cpl-build.log"
fi
echo "   registry file: $QJ_MACHINE_ROOT/registry.reg"
echo "== done: $out"
