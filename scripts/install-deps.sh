#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, when missing.
# Usage: scripts/install-deps.sh [extra-package ...]
set -eu
packages="cmake g++ ninja-build libgtest-dev libimage-exiftool-perl $*"
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
