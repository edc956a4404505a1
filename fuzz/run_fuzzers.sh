#!/usr/bin/env bash
# Runs the libFuzzer targets of a fuzz build for a bounded time (or number of runs) each, from
# the seed corpus, the kept regressions and the corpus grown by earlier runs.
#   fuzz/run_fuzzers.sh BUILD_DIR SECONDS [READER_RUNS COMMAND_RUNS INFO_RUNS REFERENCE_RUNS
#                                          ARCHIVE_RUNS]
# Prints libFuzzer's closing statistics per target; fails on any finding, whose input is left in
# BUILD_DIR/fuzz/artifacts for fuzz/regressions/.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=$2
source_dir=$(cd "$(dirname "$0")" && pwd)
# Inputs become files; tmpfs keeps that from being the bottleneck.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

status=0
fuzz_target() {  # NAME LARGEST_INPUT RUNS
  local target=$1 max_len=$2 runs=$3
  local corpus=$build/fuzz/corpus/$target
  local artifacts=$build/fuzz/artifacts/$target/
  local log=$build/fuzz/$target.log
  mkdir -p "$corpus" "$artifacts"
  echo "== fuzzing $target: ${seconds}s, runs $runs"
  if ! "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -runs="$runs" -max_len="$max_len" \
      -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$corpus" "$build/fuzz/seeds" \
      "$source_dir/regressions" >"$log" 2>&1; then
    status=1
    echo "finding in $target; see $log and $artifacts"
  fi
  grep -E '^#[0-9]+\s+DONE|^stat::(number_of_executed_units|average_exec_per_sec)|^Done' "$log" || tail -n 30 "$log"
}
fuzz_target reader 4096 "${3:--1}"
fuzz_target command 40000 "${4:--1}"  # room for a compact disk of each title
fuzz_target info 8192 "${5:--1}"      # room for a crafted track table over 256 records
# The reader against the plain reference reader, with inputs past the reader's 8 KB window.
fuzz_target reference 65536 "${6:--1}"
if [ -x "$build/fuzz/archive_fuzzer" ]; then  # archives, where the build opens them
  fuzz_target archive 65536 "${7:--1}"
fi
exit $status
