#!/usr/bin/env bash
# Installs what is needed, builds every test with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them through CTest, after running the
# queue library's thread tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# The engine's thread code under ThreadSanitizer (only its own tests).
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DOSTROVEL_SANITIZE=thread >/dev/null
cmake --build build/tsan -j2 --target queue_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 build/tsan/tests/queue/queue_tests --gtest_brief=1

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DOSTROVEL_SANITIZE=address,undefined >/dev/null
cmake --build build/asan -j2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/asan --output-on-failure -j2
