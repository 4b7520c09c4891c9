#!/usr/bin/env bash
# Fails when a source folder includes a header of a folder above it. Every
# folder may include itself and the folders before it in this order:
#   include platform stream model parse save edit payload reader api tools
# (include/ is the public header; tools/ is the command-line tool.)
# Usage: scripts/check-layers.sh [source-root]
set -eu
cd "${1:-$(dirname "$0")/..}"
layers=(include platform stream model parse save edit payload reader api tools)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
bad=0
for folder in "${layers[@]}"; do
  [ -d "$folder" ] || continue
  while IFS=: read -r file line target; do
    used=${target#*\"}
    used=${used%%/*}
    [ -n "${rank[$used]+x}" ] || continue
    if [ "${rank[$used]}" -gt "${rank[$folder]}" ]; then
      echo "$file:$line: $folder/ includes the higher folder $used/" >&2
      bad=1
    fi
  done < <(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z_]+/' "$folder"/*.cpp "$folder"/*.h 2>/dev/null || true)
done
if [ "$bad" -ne 0 ]; then
  echo "allowed order, lowest first: ${layers[*]}" >&2
  exit 1
fi
echo "folder layers: ${layers[*]}"
