#!/usr/bin/env bash
# End-to-end check of the setup program under Wine:
#   e2e-padsetup.sh ARCH PADSETUP
# Runs padsetup.exe (no window, no output), checks its exit code 1 and reads
# the joystick OEM entries back with reg query.
# Exit code 0 when all holds, 1 on a failure, 77 when this machine cannot
# run code of ARCH under Wine (ctest: skipped).
set -u
arch=$1 program=$2
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../tools/wine-run.sh $arch"
# reg names its registry view (/reg:32, /reg:64) on every call, so the 64-bit
# reg reads and writes the 32-bit view just as well; where 32-bit code runs
# under emulation (a minute or so a process), it does.
reg_run=$run
[ "$arch" = i686 ] && [ "${QJ_WINE32_EMULATED:-}" = 1 ] && reg_run="$here/../../tools/wine-run.sh x86_64"

reason=$($run --probe) || { echo "skipped: $reason"; exit 77; }
case "$arch" in
  i686) view=/reg:32 ;;
  *) view=/reg:64 ;;
esac

oem='HKLM\System\CurrentControlSet\Control\MediaProperties\PrivateProperties\Joystick\OEM'
key="$oem\\VID_7C3A&PID_A02f"
failures=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
query() { local out rc; out=$($reg_run reg query "$@" 2>&1); rc=$?; printf '%s\n' "$out" | tr -d '\r'; return $rc; }
# "TYPE DATA" of one value.
value_of() {  # value_of KEY NAME
  local out
  out=$(query "$1" /v "$2" $view) || return 1
  printf '%s\n' "$out" | sed -n "s/^    $2    \\(REG_[A-Z_]*\\)    /\\1 /p" | head -n 1
}
has_value() {  # has_value KEY NAME "TYPE DATA"
  local got
  got=$(value_of "$1" "$2")
  [ "$got" = "$3" ] || { echo "  $1 $2: '$got', wanted '$3'"; return 1; }
}

$reg_run reg delete "$key" /f $view >/dev/null 2>&1
wprogram=$(printf 'Z:%s' "$(realpath "$program")" | tr / '\\')
$run "$wprogram"
rc=$?
echo "padsetup exit code $rc"
check "padsetup exits with code 1" [ "$rc" = 1 ]

# reg query lists the subkeys with their names as created.
listed() { query "$oem" $view | grep -Fxq "HKEY_LOCAL_MACHINE${key#HKLM}"; }
check "the OEM type key is named with a lower-case 2f" listed
check "ConfigCLSID" has_value "$key" ConfigCLSID "REG_SZ {2F64d0A8-7C3A-A02F-C5B1-6E93A0D4172B}"
check "OEMData" has_value "$key" OEMData "REG_BINARY 0A00000000010000"
check "OEMName" has_value "$key" OEMName "REG_SZ USB trivalo game controller"
for n in 0 1; do
  check "Axes\\$n Attributes" has_value "$key\\Axes\\$n" Attributes "REG_BINARY 01810000"
  check "Axes\\$n FFAttributes" has_value "$key\\Axes\\$n" FFAttributes "REG_BINARY 030080100C000000"
done
check "OEMForceFeedback CLSID" has_value "$key\\OEMForceFeedback" CLSID "REG_SZ {5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}"
check "OEMForceFeedback Attributes" has_value "$key\\OEMForceFeedback" Attributes "REG_BINARY 00000000E8030000E8030000"

[ "$failures" = 0 ]
