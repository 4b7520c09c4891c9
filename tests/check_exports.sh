#!/usr/bin/env bash
# Compares the dynamic symbols that a shared library defines with the export
# list, and the names of the ELF version script with the same list. The list
# holds the 29 functions of the C interface, then, after its "# Additions"
# line, the documented additions, which are named in the report.
# Usage: tests/check_exports.sh libkexif.so tests/exported_symbols.txt api/kexif.map
set -eu
library=$1
expected=$2
script=$3
actual=$(nm -D --defined-only "$library" | awk 'NF >= 3 {print $3}' | sort)
wanted=$(awk '!/^#/ && NF {print $1}' "$expected" | sort)
base=$(awk '/^# Additions/ {exit} !/^#/ && NF {n++} END {print n + 0}' "$expected")
additions=$(awk '/^# Additions/ {on = 1; next} on && !/^#/ && NF {print $1}' "$expected")
if [ "$base" != 29 ]; then
  echo "$expected: $base functions before its '# Additions' line, not the 29 of the C interface"
  exit 1
fi
# The version script's global names: the identifiers ending in ';' before "local:".
scripted=$(sed 's|/\*.*\*/||g' "$script" | awk '/local:/ {exit} {print}' |
  grep -oE '^[[:space:]]*[A-Za-z_][A-Za-z0-9_]*;' | tr -d ' ;' | sort)
if [ "$scripted" != "$wanted" ]; then
  echo "$script names other functions than $expected:"
  diff <(echo "$wanted") <(echo "$scripted") || true
  exit 1
fi
if [ "$actual" != "$wanted" ]; then
  echo "exported symbols differ from $expected:"
  diff <(echo "$wanted") <(echo "$actual") || true
  exit 1
fi
echo "exports match: 29 functions and the additions" $additions
