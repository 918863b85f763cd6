#!/usr/bin/env bash
# End-to-end check of an effect driver module under Wine:
#   e2e-ff.sh ARCH MODULE HOST WORKDIR [--manual]
# ARCH is i686 or x86_64 (the module's), HOST the ff_host.exe of the same
# architecture. Without --manual, regsvr32 registers the module; the class
# key's InProcServer32 default value (the module's path) and its
# ThreadingModel ("Both") are read back with reg query in the registry view
# of the module's architecture; the host creates the driver through COM and
# checks the motor reports it gets; regsvr32 /u runs the module's
# DllUnregisterServer. With --manual (the build without self-registration)
# the class key is written with reg add, as an installer would, and removed
# with reg delete.
# Exit code 0 when all holds, 1 on a failure, 77 when this machine cannot
# run code of ARCH under Wine (ctest: skipped).
set -u
arch=$1 module=$2 host=$3 work=$4 mode=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../tools/wine-run.sh $arch"
# reg names its registry view (/reg:32, /reg:64) on every call, so the 64-bit
# reg reads and writes the 32-bit view just as well; where 32-bit code runs
# under emulation (a minute or so a process), it does.
reg_run=$run
[ "$arch" = i686 ] && [ "${QJ_WINE32_EMULATED:-}" = 1 ] && reg_run="$here/../../tools/wine-run.sh x86_64"

reason=$($run --probe) || { echo "skipped: $reason"; exit 77; }

clsid='{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}'
key="HKCR\\CLSID\\$clsid"
case "$arch" in
  i686) view=/reg:32 other=/reg:64 ;;
  *) view=/reg:64 other=/reg:32 ;;
esac

winpath() { printf 'Z:%s' "$(realpath -m "$1")" | tr / '\\'; }
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# reg query output without carriage returns; its status is reg's.
query() { local out rc; out=$($reg_run reg query "$@" 2>&1); rc=$?; printf '%s\n' "$out" | tr -d '\r'; return $rc; }
# The data of one value: "    NAME    TYPE    DATA".
value_of() {  # value_of KEY NAME|'' VIEW
  local out
  if [ -z "$2" ]; then out=$(query "$1" /ve "$3") || return 1
  else out=$(query "$1" /v "$2" "$3") || return 1; fi
  printf '%s\n' "$out" | sed -n 's/^    [^ ].*    REG_[A-Z_]*    //p' | head -n 1
}
absent() { ! query "$@" >/dev/null 2>&1; }
present() { query "$@" >/dev/null 2>&1; }
same_text() { [ "$(printf '%s' "$1" | tr 'a-z' 'A-Z')" = "$(printf '%s' "$2" | tr 'a-z' 'A-Z')" ]; }

mkdir -p "$work"
wmodule=$(winpath "$module")
whost=$(winpath "$host")
report=$(winpath "$work/report-$arch.bin")
echo "module $wmodule, view $view"

# A clean start: no class key in either view.
$reg_run reg delete "$key" /f $view >/dev/null 2>&1
$reg_run reg delete "$key" /f $other >/dev/null 2>&1

if [ "$mode" = --manual ]; then
  check "reg add writes the class key" $reg_run reg add "$key\\InProcServer32" /ve /t REG_SZ /d "$wmodule" /f $view
  check "reg add writes the threading model" $reg_run reg add "$key\\InProcServer32" /v ThreadingModel /t REG_SZ /d Both /f $view
else
  check "regsvr32 registers the module (exit code 0)" $run regsvr32 /s "$wmodule"
fi
server=$(value_of "$key\\InProcServer32" '' $view)
echo "InProcServer32 = $server"
check "InProcServer32 names the module" same_text "$server" "$wmodule"
model=$(value_of "$key\\InProcServer32" ThreadingModel $view)
echo "ThreadingModel = $model"
check "ThreadingModel is Both" [ "$model" = Both ]
check "the other registry view ($other) has no class key" absent "$key" $other

echo "== host"
$run "$whost" "$report" "$wmodule"
check "the host drives the motors through the registered driver" [ $? = 0 ]

if [ "$mode" = --manual ]; then
  $reg_run reg delete "$key" /f $view >/dev/null 2>&1
  check "reg delete removes the class key" absent "$key" $view
else
  # DllUnregisterServer deletes the InProcServer32 subkey, then the class key.
  check "regsvr32 /u succeeds (exit code 0)" $run regsvr32 /s /u "$wmodule"
  check "regsvr32 /u removed the class key" absent "$key" $view
fi

[ "$failures" = 0 ]
