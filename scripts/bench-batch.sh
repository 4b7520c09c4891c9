#!/usr/bin/env bash
# Times setting Artist on many photos, durable and not, in one run:
#   kexif set -j 1 and -j 2 over all files (one batch save per 64 files),
#   a shell loop of single `kexif set` saves, Exiv2's and exiftool's tools
#   (both rewrite in place without a sync), and the durable floor: copy +
#   fsync + rename of each file, one after another, and the same with the
#   syncs of all files made at once on 8 threads.
# Two sets: 1000 photos of about 55 KB and 100 of 9 MB (made by the tests'
# sample-photo generator). Each case starts from fresh copies, runs
# REPEAT times (default 3; the median is shown) and is followed by an
# untimed sync, so that no case pays for the dirty pages of another.
# Usage: scripts/bench-batch.sh [build-dir]   (BENCH_DIR keeps the files;
# SMALL and BIG change the numbers of photos)
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh exiv2 libimage-exiftool-perl python3 bc
build=${1:-build-bench-batch}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEXIF_FAULT_INJECTION=OFF >/dev/null
cmake --build "$build" --target kexif_cli kexif_make_sample >/dev/null
kexif=$(realpath "$build/tools/kexif")
work=${BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/kexif-bench-batch.XXXXXX")}
mkdir -p "$work"
[ -n "${BENCH_DIR:-}" ] || trap 'rm -rf "$work"' EXIT
repeat=${REPEAT:-3}

"$build/tests/kexif_make_sample" "$work/small.jpg" --scan-bytes 52200
"$build/tests/kexif_make_sample" "$work/big.jpg" --scan-bytes 9434000

# The durable floor: what any safe save of each file must at least do.
cat >"$work/floor.py" <<'PY'
import os, sys, concurrent.futures
batched = sys.argv[1] == "batched"
files = sys.argv[2:]
def write(name):
    with open(name, "rb") as f:
        data = f.read()
    fd = os.open(name + ".tmp", os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    os.write(fd, data)
    return fd
def commit(name, fd):
    os.fsync(fd)
    os.close(fd)
    os.rename(name + ".tmp", name)
if batched:
    fds = [write(n) for n in files]
    with concurrent.futures.ThreadPoolExecutor(8) as pool:
        list(pool.map(commit, files, fds))
else:
    for n in files:
        commit(n, write(n))
folder = os.open(os.path.dirname(os.path.abspath(files[0])), os.O_RDONLY)
os.fsync(folder)
PY

declare -A seconds
cases=("kexif -j 1" "kexif -j 2" "kexif loop" "exiv2" "exiftool" "floor each" "floor batched")
run_case() {  # run_case NAME FILES...
  local name=$1
  shift
  case "$name" in
    "kexif -j 1") "$kexif" set -j 1 -t Artist=Bench "$@" ;;
    "kexif -j 2") "$kexif" set -j 2 -t Artist=Bench "$@" ;;
    "kexif loop") for f in "$@"; do "$kexif" set "$f" Artist Bench; done ;;
    "exiv2") exiv2 -M"set Exif.Image.Artist Bench" "$@" ;;
    "exiftool") exiftool -q -q -overwrite_original -Artist=Bench "$@" ;;
    "floor each") python3 "$work/floor.py" each "$@" ;;
    "floor batched") python3 "$work/floor.py" batched "$@" ;;
  esac
}

bench_set() {  # bench_set LABEL MASTER COUNT
  local label=$1 master=$2 count=$3
  local folder="$work/$label"
  for name in "${cases[@]}"; do
    local times=()
    for ((r = 0; r < repeat; r++)); do
      rm -rf "$folder"
      mkdir -p "$folder"
      for ((i = 0; i < count; i++)); do cp "$master" "$folder/p$i.jpg"; done
      sync
      local files=("$folder"/p*.jpg)
      local start end
      start=$(date +%s.%N)
      run_case "$name" "${files[@]}" >/dev/null
      end=$(date +%s.%N)
      sync
      times+=("$(echo "$end - $start" | bc -l)")
    done
    seconds["$label/$name"]=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((repeat + 1) / 2))p")
  done
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
bench_set small "$work/small.jpg" "${SMALL:-1000}"
bench_set big "$work/big.jpg" "${BIG:-100}"
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
printf '\n%-14s %12s %10s %12s %10s\n' "case" "1000x55KB s" "/ exiv2" "100x9MB s" "/ exiv2"
for name in "${cases[@]}"; do
  s=${seconds["small/$name"]}
  b=${seconds["big/$name"]}
  printf '%-14s %12.3f %10.2f %12.3f %10.2f\n' "$name" "$s" "$(echo "$s / ${seconds["small/exiv2"]}" | bc -l)" \
    "$b" "$(echo "$b / ${seconds["big/exiv2"]}" | bc -l)"
done
printf '\nkexif -j 2 throughput / -j 1 (1000 photos): %.2f\n' "$(echo "${seconds["small/kexif -j 1"]} / ${seconds["small/kexif -j 2"]}" | bc -l)"
