#!/usr/bin/env bash
# Set-up, build and every test.
#
# Optional runs, asked for by environment variables:
#   VINRA_SANITIZE=address   the whole suite again with AddressSanitizer and
#                            UndefinedBehaviorSanitizer (build-asan)
#   VINRA_SANITIZE=thread    the tests that run workers with ThreadSanitizer
#                            (build-tsan)
#   VINRA_SANITIZE=all       both
#   VINRA_FUZZ_SECONDS=N     every fuzz target for N seconds (fuzz/run.sh)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
vinra_install_packages
# Raised warnings are errors here (and so in CI), outside the Qt windows.
vinra_configure build -DVINRA_STRICT_WARNINGS=ON
cmake --build build -j"$(nproc)"
(cd build && ctest --output-on-failure -j"$(nproc)")
# The recount of a million rows against its plain reference: the ratio line in
# CI's output shows at once when the fast path loses its lead again.
if [[ -x build/bench/check_bench ]]; then
  build/bench/check_bench 2>/dev/null | tail -n 1
fi

SANITIZE="${VINRA_SANITIZE:-}"
if [[ "$SANITIZE" == address || "$SANITIZE" == all ]]; then
  echo "== AddressSanitizer and UndefinedBehaviorSanitizer: the whole suite"
  start=$SECONDS
  # -O1: the sanitizers need no more, and the build is much quicker than -O2 -g.
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG" -DVINRA_SANITIZE=address \
    -DVINRA_BUILD_BENCH=OFF >/dev/null
  cmake --build build-asan -j"$(nproc)"
  # Leaks are findings too; a finding ends the test program with an error.
  (cd build-asan && ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" ctest --output-on-failure -j"$(nproc)" --timeout 900)
  echo "== sanitizer suite took $((SECONDS - start)) s"
fi
if [[ "$SANITIZE" == thread || "$SANITIZE" == all ]]; then
  echo "== ThreadSanitizer: the tests that run workers"
  # The generation and warranty workers, downloads, uploads and the web service.
  tsan_tests=(row_generation_test warranty_test memory_budget_test downloads_test http_test upload_test
              upload_service_test service_test hostile_clients_test team_logos_test)
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG" -DVINRA_SANITIZE=thread \
    -DVINRA_BUILD_BENCH=OFF -DVINRA_BUILD_DESKTOP=OFF >/dev/null
  cmake --build build-tsan -j"$(nproc)" --target "${tsan_tests[@]}"
  for t in "${tsan_tests[@]}"; do
    echo "-- $t"
    # Suppressed: races the tool reports inside Debian's uninstrumented HTTP library only.
    (cd build-tsan && TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/../tests/tsan.supp" \
      timeout 900 "tests/$t" --gtest_brief=1)
  done
fi
if [[ -n "${VINRA_FUZZ_SECONDS:-}" ]]; then
  echo "== fuzz targets, ${VINRA_FUZZ_SECONDS} s each"
  fuzz/run.sh "$VINRA_FUZZ_SECONDS"
fi
