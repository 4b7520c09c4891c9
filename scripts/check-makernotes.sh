#!/usr/bin/env bash
# Checks that edits keep what the camera wrote. For every photo in
# ../shared/camera-samples (beside the repository) it makes three edited
# copies with the kexif tool: a longer ImageDescription (IFD0 grows), an
# added Exif tag (ImageUniqueID) and a deleted one (ExposureTime). Each copy
# passes when exiftool decodes the maker note into the same lines as the
# original, draws no warning the original did not, and keeps the image data
# (the bytes from the first SOS marker on) byte for byte.
# Usage: scripts/check-makernotes.sh [build-dir]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
# The folder beside this checkout, or beside the main checkout when this is
# a linked worktree; KEXIF_CAMERA_SAMPLES names another.
samples=${KEXIF_CAMERA_SAMPLES:-../shared/camera-samples}
if [ ! -d "$samples" ] && [ -z "${KEXIF_CAMERA_SAMPLES:-}" ]; then
  main=$(dirname "$(git rev-parse --path-format=absolute --git-common-dir 2>/dev/null || echo .)")
  samples=$main/../shared/camera-samples
fi
if [ ! -d "$samples" ]; then
  echo "check-makernotes: no camera samples (../shared/camera-samples), skipped"
  exit 0
fi
if ! command -v exiftool >/dev/null; then
  echo "check-makernotes: exiftool is absent, skipped"
  exit 0
fi
kexif=$build/tools/kexif
[ -x "$kexif" ] || { echo "check-makernotes: $kexif not built" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

notes() { exiftool -a -G0:1 -s -n -MakerNotes:all "$1" | sort; }
warnings() { exiftool -a -s -Warning "$1" | sort; }
# The bytes from the first SOS segment to the end of the file.
image_data() {
  python3 - "$1" <<'EOF'
import hashlib, sys
d = open(sys.argv[1], "rb").read()
i = 2
while i + 4 <= len(d) and d[i] == 0xFF:
    if d[i + 1] == 0xFF:
        i += 1
        continue
    if d[i + 1] == 0xDA:
        break
    i += 2 + int.from_bytes(d[i + 2:i + 4], "big")
print(hashlib.sha256(d[i:]).hexdigest() if i + 4 <= len(d) else "no-scan")
EOF
}

long_text=$(printf 'A longer description that makes directory 0 grow well past its old size %.0s' 1 2 3)
edits=(
  "grow-ifd0|set|ImageDescription|$long_text"
  "add-exif|set|ImageUniqueID|0123456789abcdef0123456789abcdef"
  "delete|rm|ExposureTime|"
)

declare -A passed
total=0
failed=0
for photo in "$samples"/*.jpg; do
  name=$(basename "$photo")
  total=$((total + 1))
  notes "$photo" >"$work/before.notes"
  warnings "$photo" >"$work/before.warnings"
  before_image=$(image_data "$photo")
  for edit in "${edits[@]}"; do
    IFS='|' read -r label command tag value <<<"$edit"
    out="$work/$label-$name"
    if [ "$command" = set ]; then
      "$kexif" set "$photo" "$tag" "$value" -o "$out" >/dev/null 2>"$work/err" || true
    else
      "$kexif" rm "$photo" "$tag" -o "$out" >/dev/null 2>"$work/err" || true
    fi
    reason=""
    if [ ! -s "$out" ]; then
      reason="no output: $(head -c 200 "$work/err")"
    else
      notes "$out" >"$work/after.notes"
      warnings "$out" >"$work/after.warnings"
      if ! cmp -s "$work/before.notes" "$work/after.notes"; then
        reason="maker note decodes differently:
$(diff "$work/before.notes" "$work/after.notes" | head -8)"
      elif new=$(comm -13 "$work/before.warnings" "$work/after.warnings") && [ -n "$new" ]; then
        reason="new warning: $new"
      elif [ "$(image_data "$out")" != "$before_image" ]; then
        reason="image data changed"
      fi
    fi
    if [ -z "$reason" ]; then
      passed[$label]=$((${passed[$label]:-0} + 1))
    else
      failed=$((failed + 1))
      echo "FAIL $label $name: $reason"
    fi
  done
done
for edit in "${edits[@]}"; do
  label=${edit%%|*}
  echo "check-makernotes: $label: ${passed[$label]:-0} of $total maker notes kept"
done
[ "$failed" -eq 0 ]
