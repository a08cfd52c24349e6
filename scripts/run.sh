#!/usr/bin/env bash
# Installs what is needed, builds Ostrovel (release) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DOSTROVEL_TESTS=OFF >/dev/null
cmake --build build/release -j2
exec build/release/tools/ostrovel-analyze --help "$@"
