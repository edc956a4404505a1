#!/usr/bin/env bash
# Measures one full extraction of a demo disk of "The Castle": instructions (callgrind), heap
# allocations (memcheck), system calls (strace) and the median wall time of repeated runs.
# Then the commands on files crafted to be slow or to make huge reports: castle-extract on a
# disk whose tracks share one track of 65,495 records, and d88-info's maps of 64 images whose
# tracks all point at the same 256 records, of 64 headers chained into each other, and of 64
# headers whose tracks all reach one run of 255 records 8 KB apart (2.1 MB), against
# the bound on a report's size (16 bytes of text or 32 of JSON per byte of the file, plus 16 KB
# or 64 KB); and both commands on ZIP archives.
#   run_bench.sh CASTLE_EXTRACT MAKE_DEMO_DISK D88_INFO SLOW_IMAGE MAKE_BENCH_IMAGES [RUNS]
set -euo pipefail
extract=$1
make_disk=$2
info=$3
slow_image=$4
make_images=$5
runs=${6:-200}

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
  echo "  of which fsync:           $(awk '$NF == "fsync" {print $4 " calls, " $2 " s in the kernel"}' "$work/strace.log")" \
       "(each file before its rename, and the folder after it)"
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

"$make_images" "$work"

# The fastest of several runs, in microseconds: what a run costs when nothing else interferes.
best_us() {
  local best='' start end i took
  for ((i = 0; i < 20; i++)); do
    start=$EPOCHREALTIME
    "$@" >/dev/null
    end=$EPOCHREALTIME
    took=$((${end/./} - ${start/./}))
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
  done
  echo "$best"
}
if [ -f "$work/demo.zip" ]; then  # where the build opens archives
  echo
  echo "castle-extract on the demo disk in a ZIP, against the plain file (best of 20)"
  plain=$(best_us "$extract" ../disk.d88)
  zipped=$(best_us "$extract" ../demo.zip)
  echo "  plain: $plain us, zip: $zipped us ($(awk -v a="$zipped" -v b="$plain" 'BEGIN {printf "%.2f", a / b}')x)"
  echo "d88-info on a ZIP of 64 disks ($(wc -c <"$work/sixty-four.zip") bytes, best of 20): $(best_us "$info" "$work/sixty-four.zip") us"
  for file in hundred-thousand.zip four-gib.tar.gz; do
    for command in "$extract" "$info"; do
      start=$EPOCHREALTIME
      "$command" "$work/$file" >/dev/null 2>&1 || true
      end=$EPOCHREALTIME
      peak=$( (command -v /usr/bin/time >/dev/null && /usr/bin/time -f %M "$command" "$work/$file" 2>&1 >/dev/null | tail -n 1) || echo "?")
      echo "  $(basename "$command") on $file ($(wc -c <"$work/$file") bytes): $(((${end/./} - ${start/./}) / 1000)) ms, peak $peak KB"
    done
  done
fi
echo
echo "castle-extract: a disk whose tracks share one track of 65,495 records ($(wc -c <"$work/shared-track.d88") bytes)"
if command -v strace >/dev/null; then
  strace -f -c -o "$work/strace.log" "$extract" ../shared-track.d88 >/dev/null
  echo "system calls (strace):     $(awk '$NF == "total" {print $(NF-2)}' "$work/strace.log") calls"
fi
runs=5
echo "wall time (median of $runs): $(median_us "$extract" ../shared-track.d88) us"

for ((i = 0; i < 64; i++)); do cat "$slow_image"; done >"$work/slow.d88"
echo
echo "d88-info: reports of crafted files, bytes out against the bound"
for file in slow.d88 chained-headers.d88 shared-run.d88; do
  size=$(wc -c <"$work/$file")
  case $file in
    slow.d88) echo "  $file, $size bytes: 64 images of 164 tracks over the same 256 records" ;;
    chained-headers.d88) echo "  $file, $size bytes: 64 header-only images, each track pointing into the next" ;;
    *) echo "  $file, $size bytes: 64 header-only images whose tracks all reach one run of 255 records 8 KB apart" ;;
  esac
  for mode in text json; do
    option=$([ "$mode" = json ] && echo --json || true)
    bound=$([ "$mode" = json ] && echo $((32 * size + 65536)) || echo $((16 * size + 16384)))
    bytes=$("$info" $option "$work/$file" | wc -c)
    echo "    $mode: $bytes bytes out (bound $bound), wall time (median of $runs): $(median_us "$info" $option "$work/$file") us"
  done
done
