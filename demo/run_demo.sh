#!/usr/bin/env bash
# Makes a demo disk of each title and runs castle-extract on it in a scratch folder, showing its
# Shift_JIS messages as UTF-8 where iconv is present, and the files it wrote; then what d88-info
# says of the signature track.
set -euo pipefail
extract=$1
make_disk=$2
scratch=$3
info=$4

to_utf8() {
  if command -v iconv >/dev/null; then iconv -f CP932 -t UTF-8; else cat; fi
}

rm -rf "$scratch"
mkdir -p "$scratch"
for title in castle excellent; do
  mkdir "$scratch/$title"
  "$make_disk" "$title" "$scratch/$title.d88"
  echo
  echo "\$ cd $scratch/$title && castle-extract ../$title.d88"
  (cd "$scratch/$title" && "$extract" "../$title.d88") 2>&1 | to_utf8
  echo "exit code: ${PIPESTATUS[0]}"
  echo "files written:"
  (cd "$scratch/$title" && for f in *; do
     printf '  %-6s %5d bytes, begins %s\n' "$f" "$(wc -c <"$f")" "$(od -An -tx1 -N8 "$f" | tr -s ' ')"
   done)
  echo "\$ d88-info ../$title.d88 | tail -n 2"
  "$info" "$scratch/$title.d88" | tail -n 2
done
