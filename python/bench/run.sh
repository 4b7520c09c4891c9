#!/usr/bin/env bash
# Installs the three Python Exif libraries kexif is compared with (from
# Debian) and runs bench.py with the system Python, which must have kexif
# installed (see the README's Python section), or with PYTHON.
# Usage: python/bench/run.sh [bench.py arguments]
set -eu
cd "$(dirname "$0")/../.."
scripts/install-deps.sh python3-pil python3-piexif python3-exifread
exec "${PYTHON:-/usr/bin/python3}" python/bench/bench.py "$@"
