#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, when missing.
# Usage: scripts/install-deps.sh [extra-package-or-group ...]
# Groups: "python" is what the Python package (python/) needs to build,
# install and test with the system Python, offline.
set -eu
python_group="python3 python3-dev python3-pip python3-venv python3-setuptools python3-wheel python3-pybind11 pybind11-dev python3-pytest"
packages="cmake g++ ninja-build libgtest-dev libimage-exiftool-perl"
for extra in "$@"; do
  case "$extra" in
    python) packages="$packages $python_group" ;;
    *) packages="$packages $extra" ;;
  esac
done
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  $sudo apt-get install -y -qq $missing >/dev/null
fi
