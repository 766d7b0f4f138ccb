#!/usr/bin/env bash
# Builds Tessarine and runs the whole test suite: the unit and program tests,
# the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, the
# runtime's tests under ThreadSanitizer, a bounded fuzzing run, and the
# Windows build with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

scripts/install-deps.sh --tests

echo "== Build and test =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Debian package and manual page =="
(cd build && cpack -G DEB)
deb=$(ls build/tessarine_*.deb)
contents=$(dpkg -c "$deb")
echo "$contents"
grep -q ' ./usr/bin/tessarine$' <<< "$contents"
grep -q ' ./usr/share/man/man1/tessarine.1$' <<< "$contents"
grep -q ' ./usr/share/man/ja/man1/tessarine.1$' <<< "$contents"
unpacked=$(mktemp -d)
dpkg -x "$deb" "$unpacked"
"$unpacked/usr/bin/tessarine" --version
rm -rf "$unpacked"
# The manual pages, English and Japanese, format without warnings.
for page in doc/tessarine.1 doc/ja/tessarine.1; do
  MANWIDTH=80 LANG=C.UTF-8 man --warnings -l "$page" \
    2> build/man-warnings.txt > /dev/null
  if [ -s build/man-warnings.txt ]; then cat build/man-warnings.txt; exit 1; fi
done

echo "== Sanitizers (address, undefined) =="
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTESSARINE_SANITIZE=ON -DTESSARINE_BENCH=OFF
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

echo "== Thread sanitizer (the file channels' worker thread) =="
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTESSARINE_BENCH=OFF -DCMAKE_CXX_FLAGS=-fsanitize=thread \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
cmake --build build-tsan -j"$jobs" --target runtime_tests
TSAN_OPTIONS=halt_on_error=1 build-tsan/runtime/runtime_tests

echo "== Fuzzing =="
tests/fuzz/run_fuzz.sh "${FUZZ_SECONDS:-60}" "$root/build-fuzz"

echo "== Windows build under Wine =="
TESSARINE_WIN_BUILD="$root/build-win" .ci/windows.sh "$root/build/tessarine"

echo "All test stages passed."
