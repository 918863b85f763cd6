#!/usr/bin/env bash
# The property-sheet module in the system's own property sheet, under Wine:
#   e2e-pages.sh ARCH MODULE HOST NATIVE WORK TEST
# ARCH is i686 or x86_64 (the module's), MODULE the property-sheet module,
# HOST the page host of the same architecture with the DirectInput test
# double (dinput.dll) beside it, NATIVE the native build that holds skingen,
# padsetup, cplhost and cplpages.so, WORK the test's output folder. TEST:
#   install    installs the page data (Setup.ini, skins and sounds made by
#              the native skingen) in the prefix's system folder of ARCH
#              (system32, or syswow64 for i686), as an installer does (xcopy
#              of the 64-bit cmd); the other tests need it first
#   notify     the notifications each page gets (pages/notify.txt)
#   vibration  the vibration page's motor reports (pages/vibration.txt)
#   record     the settings record written on OK and written back on
#              Cancel (pages/record.txt), read back with reg query
#   reopen     every way of leaving the sheet (OK, Cancel, close box, lost
#              device) on every page, then the sheet again on that page and
#              the same way out, one host process for the whole table
#   pictures   the six pages of data/cplscripts/tour.txt as the real sheet
#              shows them (WORK/NAME.bmp, the whole sheet in NAME-sheet.bmp),
#              beside cplhost's pictures of the same script (WORK/NAME.png); under
#              user-mode emulation without the profile save and without
#              buttons held (the 32-bit host crashes there a few seconds
#              after the file dialog or a button's sound; said as NOT RUN)
# The host runs with the DLL override dinput=n, so that the module gets
# the double.
# Exit code 0 when all holds, 1 on a failure, 77 when this machine cannot
# run code of ARCH under Wine (ctest: skipped).
set -u
arch=$1 module=$2 host=$3 native=$4 work=$5 test=$6
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
run="$here/../../tools/wine-run.sh $arch"
# reg and cmd name the registry view and the system folder they work on, so
# the 64-bit ones serve both architectures, and no 32-bit process is made
# for them (under user-mode emulation each costs minutes).
run64="$here/../../tools/wine-run.sh x86_64"

reason=$($run --probe) || { echo "skipped: $reason"; exit 77; }
case "$arch" in
  i686) view=/reg:32 system='C:\windows\syswow64' ;;
  *) view=/reg:64 system='C:\windows\system32' ;;
esac
# Under emulation the host gets minutes, and each of its waits more time.
limit=20 timeout=600 emulated=
if [ "$arch" = i686 ] && [ "${QJ_WINE32_EMULATED:-}" = 1 ]; then
  limit=300 timeout=1500 emulated=1
fi

winpath() { printf 'Z:%s' "$(realpath -m "$1")" | tr / '\\'; }
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# reg query output without carriage returns; its status is reg's.
query() { local out rc; out=$($run64 reg query "$@" 2>&1); rc=$?; printf '%s\n' "$out" | tr -d '\r'; return $rc; }

rm -rf "$work"
mkdir -p "$work"

# The host on a script; its protocol log goes to standard output and to
# WORK/host.log. No sound driver: the machine has no sound card, and the
# 32-bit sound drivers have crashed Wine under emulation.
host_run() {  # host_run SCRIPT [OUT]
  local out=${2:-$work}
  WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};dinput=n;winealsa.drv,winepulse.drv=" QJ_WINE_TIMEOUT=$timeout \
    $run "$(winpath "$host")" --out "$(winpath "$out")" --limit "$limit" "$(winpath "$module")" "$(winpath "$1")" |
    tee -a "$work/host.log"
  return "${PIPESTATUS[0]}"
}

# The settings record of the controller (setting number 47).
key='HKLM\Software\VevOvuRivizud\47'
record_of() { query "$key" /v CurrentValue $view | sed -n 's/^    CurrentValue    REG_BINARY    //p'; }

case "$test" in
  install)
    machine=$work/machine
    check "skingen makes the page data" env QJ_MACHINE_ROOT="$machine" "$native/tools/skingen/skingen" "Z:$root/data/Setup.ini"
    check "xcopy installs it in $system" $run64 cmd /c xcopy /e /i /q /y \
      "$(winpath "$machine/drive_c/windows/system32/VQ6100")" "$system\\VQ6100"
    ;;
  notify | vibration)
    # A fresh record: the pages make the default one.
    $run64 reg delete "$key" /f $view >/dev/null 2>&1
    check "the host plays pages/$test.txt" host_run "$here/pages/$test.txt"
    ;;
  record)
    # A record unlike the defaults: button map reversed, turbo on buttons
    # 1, 3 and 12, Ctrl+A on button 1, a two-point calibration of the third
    # axis, sensitivity 1, time cycle 200, motor power 100, automatic mode,
    # 0x12345678 in the reserved word.
    le32() { printf '%02X%02X%02X%02X' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
    head=0C0B0A090807060504030201                        # byButtonMap
    head+=010001000000000000000001                       # byTurbo
    head+=$(le32 0x10004)$(printf '00000000%.0s' {1..11})  # dwKeyCode: Ctrl+A, then none
    head+=$(le32 0x7FFF)$(le32 0x7FFF)$(le32 0x0100C810)$(le32 0x7FFF)$(le32 0x7FFF)  # dwAxisCalib
    head+=$(le32 1)                                      # dwSensitivity
    tail=$(le32 0x12345678)                              # dwReserved
    start=$head$(le32 200)$(le32 100)$(le32 1)$tail      # time cycle, motor power, automatic mode
    check "the start record has 112 bytes" [ ${#start} = 224 ]
    check "reg add writes the start record" $run64 reg add "$key" /v CurrentValue /t REG_BINARY /d "$start" /f $view
    check "the host plays pages/record.txt" host_run "$here/pages/record.txt"
    # OK kept the start record with what the vibration page's Initial set
    # (time cycle 63, motor power 189, manual mode); the Cancel of the next
    # sheet wrote back that record, which it had read at its start.
    want=$head$(le32 63)$(le32 189)$(le32 0)$tail
    got=$(record_of)
    echo "CurrentValue = $got"
    check "the record is the one OK wrote, written back by Cancel" [ "$got" = "$want" ]
    ;;
  reopen)
    # The table: each way out on each page, twice in a row, each time with a
    # new sheet of the same server object's module.
    script=$work/reopen.txt
    message='Game controller: The game controller does not answer. Check that it is connected.'
    {
      echo "# Generated by e2e-pages.sh: every way of leaving on every page, then the"
      echo "# sheet again in the same process, shown on that page, left the same way."
      for way in ok cancel close lost; do
        for page in 0 1 2 3 4 5; do
          echo "# page $page, $way"
          for round in 1 2; do
            echo "page $page"
            case $way in
              ok | cancel | close) echo "$way" ;;
              lost) echo "unplug" ;;
            esac
            echo "until closed"
            [ "$way" = lost ] && printf 'expect message %s\nplug\n' "$message"
            echo "reopen"
          done
        done
      done
    } > "$script"
    check "the host plays the table of $(grep -c '^# page' "$script") cases" host_run "$script"
    ;;
  pictures)
    tour=$root/data/cplscripts/tour.txt
    if [ -n "$emulated" ]; then
      # Two steps end the 32-bit host under emulation, both through the
      # worker threads they leave: the profile save's file dialog and the
      # live test's button sounds (played asynchronously) are followed a few
      # seconds later by a crash of the process (or, both together, a hang
      # until the test's time runs out). The tour without its "file" line and the click that opens
      # the dialog, and with no controller button held (blank lines keep
      # the numbering).
      tour=$work/tour.txt
      awk '/^file /{skip=1; print ""; next} skip && /^click /{skip=0; print ""; next}
           /^buttons /{print "buttons 0"; next} /^press /{print ""; next} {print}' \
        "$root/data/cplscripts/tour.txt" > "$tour"
      echo "e2e-pages: the tour's profile save NOT RUN under emulation (the 32-bit host crashes a few seconds after its file dialog there)"
      echo "e2e-pages: the tour's held buttons NOT RUN under emulation (the 32-bit host crashes a few seconds after their sounds there)"
    fi
    check "the host pictures the pages of data/cplscripts/tour.txt" host_run "$tour"
    # cplhost on the same script, on a simulated machine of its own.
    cplmachine=$work/cplhost-machine
    QJ_MACHINE_ROOT=$cplmachine "$native/padsetup/padsetup"
    QJ_MACHINE_ROOT=$cplmachine "$native/tools/skingen/skingen" "Z:$root/data/Setup.ini" >/dev/null
    check "cplhost pictures the same pages" "$native/tools/cplhost/cplhost" --machine "$cplmachine" --out "$work" \
      --module "$native/cplpages/cplpages.so" "$root/data/cplscripts/tour.txt" > "$work/cplhost.log"
    for name in 0-test 1-keymap 2-keyboard 3-vibration 4-check 5-about; do
      check "$name: the real sheet's picture beside cplhost's" [ -s "$work/$name.bmp" -a -s "$work/$name-sheet.bmp" -a -s "$work/$name.png" ]
    done
    echo "pictures in $work: NAME.bmp (the page in the real sheet), NAME-sheet.bmp (its whole sheet), NAME.png (cplhost)"
    ;;
  *)
    echo "e2e-pages: unknown test $test" >&2
    exit 2
    ;;
esac

[ "$failures" = 0 ]
