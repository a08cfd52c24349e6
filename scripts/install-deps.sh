#!/usr/bin/env bash
# Installs the Debian packages Ostrovel needs to build, test and run.
# Safe to run again: it only calls apt when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev
  libcups2-dev cups-daemon cups-client
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
