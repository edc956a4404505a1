#!/usr/bin/env bash
# Measures one full extraction of a demo disk of "The Castle": instructions (callgrind), heap
# allocations (memcheck), system calls (strace) and the median wall time of repeated runs.
# Then d88-info's map of a file crafted to be slow: 64 images whose 164 tracks all point at the
# same 256 records.
#   run_bench.sh CASTLE_EXTRACT MAKE_DEMO_DISK D88_INFO SLOW_IMAGE [RUNS]
set -euo pipefail
extract=$1
make_disk=$2
info=$3
slow_image=$4
runs=${5:-200}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make_disk" castle "$work/disk.d88"
mkdir "$work/out"
cd "$work/out"

echo "castle-extract: full extraction of a demo disk of The Castle"
if command -v valgrind >/dev/null; then
  valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$extract" ../disk.d88 \
    >/dev/null 2>"$work/callgrind.log"
  echo "instructions (callgrind):  $(sed -n 's/.*Collected : //p' "$work/callgrind.log")"
  valgrind --tool=memcheck "$extract" ../disk.d88 >/dev/null 2>"$work/memcheck.log"
  echo "heap (memcheck):           $(sed -n 's/.*total heap usage: //p' "$work/memcheck.log")"
else
  echo "instructions, heap:        valgrind not installed"
fi
if command -v strace >/dev/null; then
  strace -f -c -o "$work/strace.log" "$extract" ../disk.d88 >/dev/null
  echo "system calls (strace):     $(awk '$NF == "total" {print $(NF-2)}' "$work/strace.log") calls" \
       "($(awk '$1 ~ /^[0-9.]+$/ && NF >= 5 && $NF != "total" {printf "%s%s %s", sep, $NF, $4; sep=", "}' "$work/strace.log"))"
else
  echo "system calls:              strace not installed"
fi

# Wall time, read from bash's microsecond clock so that no timing process is forked per run.
# /bin/true, timed the same way, shows what starting any process costs on this machine.
median_us() {
  local times=() start end i
  for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME
    "$@" >/dev/null
    end=$EPOCHREALTIME
    times+=($((${end/./} - ${start/./})))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'
}
echo "wall time (median of $runs): $(median_us "$extract" ../disk.d88) us" \
     "(/bin/true: $(median_us /bin/true) us)"

for ((i = 0; i < 64; i++)); do cat "$slow_image"; done >"$work/slow.d88"
echo
echo "d88-info: map of $(wc -c <"$work/slow.d88") bytes, 64 images of 164 tracks over 256 records"
runs=5
for mode in text json; do
  option=$([ "$mode" = json ] && echo --json || true)
  bytes=$("$info" $option "$work/slow.d88" | wc -c)
  echo "  $mode: $bytes bytes out, wall time (median of $runs): $(median_us "$info" $option "$work/slow.d88") us"
done
