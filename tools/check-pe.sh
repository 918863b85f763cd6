#!/usr/bin/env bash
# Checks a built Windows module's export and import tables.
#   check-pe.sh MODULE [--exports[=]"Name@ordinal ..."] [--objdump PROGRAM] [--stamp FILE]
# --exports: the module must export exactly these names, each at its ordinal
# (the empty list: no exports at all), and nothing by ordinal alone. Without
# it the exports are not checked.
# Every imported DLL must be part of Windows itself; a module that needs a
# compiler run-time DLL or any other file beside it fails.
# --stamp: touched when the module is as expected (a build step's output).
# Exit status: 0 when the module is as expected, 1 otherwise (each difference
# is printed), 2 on a usage error or an unreadable module.
set -u -o pipefail

module=
expected=
check_exports=0
stamp=
objdump=${OBJDUMP:-objdump}
while [ $# -gt 0 ]; do
  case "$1" in
    --exports) expected=${2?}; check_exports=1; shift 2 ;;
    --exports=*) expected=${1#--exports=}; check_exports=1; shift ;;
    --objdump) objdump=${2?}; shift 2 ;;
    --stamp) stamp=${2?}; shift 2 ;;
    -*) echo "check-pe: unknown option $1" >&2; exit 2 ;;
    *) module=$1; shift ;;
  esac
done
[ -n "$module" ] || { echo "usage: check-pe.sh MODULE [--exports \"Name@1 ...\"]" >&2; exit 2; }
[ -f "$module" ] || { echo "check-pe: $module: no such file" >&2; exit 2; }
[ -z "$stamp" ] || rm -f "$stamp"

if ! dump=$(LC_ALL=C "$objdump" -p "$module" 2>&1); then
  echo "check-pe: $objdump cannot read $module: $dump" >&2
  exit 2
fi
case "$dump" in
  *"file format pei-"*) ;;
  *) echo "check-pe: $module is not a PE image" >&2; exit 2 ;;
esac

# DLLs that every Windows installation provides (names compared without case).
allowed_re='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|winmm|setupapi|comdlg32|comctl32|shell32|shlwapi|msvcrt|ntdll|version|dinput|dinput8|hid|cfgmgr32|rpcrt4|imm32|winspool\.drv|ucrtbase|api-ms-win-crt-[a-z0-9-]+|api-ms-win-core-[a-z0-9-]+)(\.dll)?$'

status=0

# The ordinal of an export is the one of its Export Address Table entry:
#   Export Address Table -- Ordinal Base 1
#       [   0] +base[   1] 4b70 Export RVA
# The name table's "[ n]" is the index into that table (the unbiased
# ordinal), not the ordinal itself:
#   [Ordinal/Name Pointer] Table
#       [   0] DllCanUnloadNow
# (newer objdumps add "+base[ ordinal]" and the hint there too). Every entry
# of the address table must have a name: an export by ordinal alone prints
# as "@ordinal" with an empty name.
actual=$(printf '%s\n' "$dump" | tr -d '\r' | awk '
  function num(s) { gsub(/[^0-9]/, "", s); return s + 0 }
  /^Export Address Table -- Ordinal Base/ { section = "eat"; next }
  /^\[Ordinal\/Name Pointer\] Table/ { section = "names"; next }
  /^[ \t]*$/ { section = "" }
  section == "eat" && match($0, /^[ \t]*\[ *[0-9]+\] \+base\[ *[0-9]+\]/) {
    head = substr($0, RSTART, RLENGTH)
    split(head, p, /[+]base/)
    eat[num(p[1])] = num(p[2])
    next
  }
  section == "names" && match($0, /^[ \t]*\[ *[0-9]+\]/) {
    idx = num(substr($0, RSTART, RLENGTH))
    rest = substr($0, RSTART + RLENGTH)
    sub(/^ *\+base\[ *[0-9]+\]/, "", rest)
    sub(/^ *[0-9a-fA-F]+ +/, "", rest)     # the hint, where printed
    sub(/^[ \t]+/, "", rest); sub(/[ \t]+$/, "", rest)
    named[idx] = 1
    if (idx in eat) print rest "@" eat[idx]
    else print rest "@?(index " idx " not in the export address table)"
  }
  END { for (i in eat) if (!(i in named)) print "@" eat[i] }' | sort -u) || {
  echo "check-pe: cannot read the export table of $module" >&2; exit 2; }

if [ "$check_exports" = 1 ]; then
  want=$(printf '%s\n' $expected | sed '/^$/d' | sort -u)
  missing=$(comm -23 <(printf '%s\n' "$want" | sed '/^$/d') <(printf '%s\n' "$actual" | sed '/^$/d'))
  extra=$(comm -13 <(printf '%s\n' "$want" | sed '/^$/d') <(printf '%s\n' "$actual" | sed '/^$/d'))
  while IFS= read -r e; do [ -n "$e" ] && { echo "$module: missing export $e"; status=1; }; done <<<"$missing"
  while IFS= read -r e; do [ -n "$e" ] && { echo "$module: unexpected export $e"; status=1; }; done <<<"$extra"
fi

imports=$(printf '%s\n' "$dump" | tr -d '\r' | sed -n 's/^[ \t]*DLL Name:[ \t]*//p' | sort -uf)
for dll in $imports; do
  lower=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
  if ! printf '%s\n' "$lower" | grep -Eq "$allowed_re"; then
    echo "$module: imports $dll, which is not part of Windows"
    status=1
  fi
done

if [ "$status" = 0 ]; then
  echo "$module: exports [$(printf '%s ' $actual | sed 's/ $//')], imports [$(printf '%s ' $imports | sed 's/ $//')]"
  [ -z "$stamp" ] || : > "$stamp"
fi
exit "$status"
