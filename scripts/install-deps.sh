#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  dpkg-dev file
  libopencv-dev
  libboost-dev
  liblapacke-dev libopenblas-dev
  libtbb-dev
  libgtest-dev libgmock-dev
  xvfb  # a virtual X server for the display-window tests
  clang-14 libclang-rt-14-dev  # the libFuzzer build: libFuzzer comes with the compiler runtime
  libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools gstreamer1.0-plugins-base
  pybind11-dev python3-dev python3-numpy python3-pytest python3-dask python3-distributed
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
