#!/usr/bin/env bash
# Checks a Windows DLL: its export table lists exactly the names of an
# export list (undecorated), and it loads no compiler runtime DLL. The list
# holds the 29 functions of the C interface, then, after its "# Additions"
# line, the documented additions, which are named in the report.
# Usage: scripts/check-dll-exports.sh kexif.dll tests/exported_symbols.txt
set -eu
dll=$1
expected=$2
dump=$(objdump -p "$dll")
# The name table: "[Ordinal/Name Pointer] Table" then one "[ n] name" line
# per export, up to an empty line.
actual=$(awk '/^\[Ordinal\/Name Pointer\] Table/ {inside = 1; next}
              inside && NF == 0 {inside = 0}
              inside {print $NF}' <<<"$dump" | sort)
wanted=$(awk '!/^#/ && NF {print $1}' "$expected" | sort)
base=$(awk '/^# Additions/ {exit} !/^#/ && NF {n++} END {print n + 0}' "$expected")
additions=$(awk '/^# Additions/ {on = 1; next} on && !/^#/ && NF {print $1}' "$expected")
if [ "$base" != 29 ]; then
  echo "$expected: $base functions before its '# Additions' line, not the 29 of the C interface"
  exit 1
fi
if [ "$actual" != "$wanted" ]; then
  echo "$dll: exported names differ from $expected:"
  diff <(echo "$wanted") <(echo "$actual") || true
  exit 1
fi
runtime=$(awk '/DLL Name:/ {print $3}' <<<"$dump" | grep -iE '^lib(gcc|stdc\+\+|winpthread)' || true)
if [ -n "$runtime" ]; then
  echo "$dll: needs compiler runtime DLLs:" $runtime
  exit 1
fi
echo "$dll exports match: 29 functions and the additions" $additions"; imports:" \
  $(awk '/DLL Name:/ {print $3}' <<<"$dump")
