#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a given time.
#
#   fuzz/run.sh [SECONDS] [TARGET...]     default: 60 seconds, every target
#
# Environment: VINRA_FUZZ_JOBS  targets run at once (default 1)
#              VINRA_FUZZ_BUILD build folder (default build-fuzz)
#              VINRA_FUZZ_NICE  nice level of the runs (default 19)
# The corpus grows in $VINRA_FUZZ_BUILD/corpus/<target> (seeded from
# fuzz/seeds/<target>); a finding is written to $VINRA_FUZZ_BUILD/artifacts/.
# Ends with a table of executions per target; exit status 1 when any target
# found a crash, a leak or a hang.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET="${1:-60}"
shift || true
BUILD="${VINRA_FUZZ_BUILD:-build-fuzz}"
JOBS="${VINRA_FUZZ_JOBS:-1}"
NICE="${VINRA_FUZZ_NICE:-19}"
ALL=(system_file_fuzz ini_fuzz red_fuzz exchange_lines_fuzz results_xml_fuzz results_html_fuzz live_xml_fuzz
     svt_page_fuzz active_pools_fuzz update_ini_fuzz service_request_fuzz expert_template_fuzz goal_log_fuzz
     mail_template_fuzz svt_teams_fuzz)
TARGETS=("$@")
((${#TARGETS[@]})) || TARGETS=("${ALL[@]}")

# Only the fuzz runs need clang and its libFuzzer runtime; the normal set-up
# does not install them.
source scripts/setup.sh
VINRA_PACKAGES=(clang-14 libclang-rt-14-dev)
vinra_install_packages
# And the libraries the engine links (the normal set-up's list).
source scripts/setup.sh
vinra_install_packages

CC=clang-14 CXX=clang++-14 cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVINRA_FUZZ=ON -DVINRA_SANITIZE=address -DVINRA_BUILD_TESTS=OFF -DVINRA_BUILD_BENCH=OFF \
  -DVINRA_BUILD_DESKTOP=OFF >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target "${TARGETS[@]}"

dict_of() {
  case "$1" in
    system_file_fuzz) echo fuzz/dict/system_file.dict ;;
    ini_fuzz | active_pools_fuzz | update_ini_fuzz | expert_template_fuzz | mail_template_fuzz) echo fuzz/dict/ini.dict ;;
    results_xml_fuzz | live_xml_fuzz | goal_log_fuzz) echo fuzz/dict/xml.dict ;;
    results_html_fuzz | svt_page_fuzz | svt_teams_fuzz) echo fuzz/dict/html.dict ;;
    service_request_fuzz) echo fuzz/dict/http.dict ;;
  esac
}

run_one() {
  local t="$1" name="${1%_fuzz}"
  local corpus="$BUILD/corpus/$name" log="$BUILD/logs/$t.log" dict
  mkdir -p "$corpus" "$BUILD/logs" "$BUILD/artifacts"
  dict="$(dict_of "$t")"
  local args=(-max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
              -artifact_prefix="$BUILD/artifacts/$t-")
  [ -n "$dict" ] && args+=(-dict="$dict")
  local rc=0
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    nice -n "$NICE" "$BUILD/fuzz/$t" "${args[@]}" "$corpus" "fuzz/seeds/$name" >"$log" 2>&1 || rc=$?
  echo "$rc" >"$log.rc"
}
export -f run_one dict_of
export BUILD SECONDS_PER_TARGET NICE
printf '%s\n' "${TARGETS[@]}" | xargs -P "$JOBS" -I{} bash -c 'run_one {}'

status=0
printf '%-24s %14s %10s  %s\n' target executions exec/s result
for t in "${TARGETS[@]}"; do
  log="$BUILD/logs/$t.log"
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  speed=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  rc=$(cat "$log.rc")
  result=ok
  if [ "$rc" != 0 ]; then
    result="FOUND (exit $rc): $(grep -m1 -E 'ERROR: |SUMMARY: |check failed' "$log" || echo see "$log")"
    status=1
  fi
  printf '%-24s %14s %10s  %s\n' "$t" "${runs:-?}" "${speed:-?}" "$result"
done
exit "$status"
