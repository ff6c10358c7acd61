#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests, the fuzzers and the benchmark need,
# skipping those already present.
set -euo pipefail

packages=(build-essential cmake ninja-build qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          desktop-file-utils shared-mime-info groff-base
          libbenchmark-dev clang libclang-rt-14-dev fonts-dejavu-core
          g++-mingw-w64-x86-64-posix googletest wine64
          pkg-config libfuse3-dev fuse3)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
