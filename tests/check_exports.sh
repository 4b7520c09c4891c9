#!/usr/bin/env bash
# Compares the dynamic symbols that a shared library defines with a list.
set -eu
library=$1
expected=$2
actual=$(nm -D --defined-only "$library" | awk 'NF >= 3 {print $3}' | sort)
wanted=$(awk '!/^#/ && NF {print $1}' "$expected" | sort)
if [ "$actual" != "$wanted" ]; then
  echo "exported symbols differ from $expected:"
  diff <(echo "$wanted") <(echo "$actual") || true
  exit 1
fi
echo "exports match: $(echo "$actual" | grep -c . || true) functions"
