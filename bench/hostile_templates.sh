#!/usr/bin/env bash
# Times zbn2ppt on 2 MB design templates made hostile from a good one: many
# list entries or persist ids all naming one large record of many small ones.
# Each run, refused or not, must take under 0.5 s. Then a good template that
# is a sparse file, its bytes and a hole to 2 TiB: once under 0.5 s and 64 MB.
#
# Then the size of the output, the time and the peak memory of one run on
# templates whose 2048 document summary properties share one value (the
# output must stay under twice the template) and on one whose persist
# directory names every persist id (the run, refused, must peak under the
# template's size and 20 MiB). RelWithDebInfo, 2 shared cores:
#   template            before                          after
#   properties 234 KiB  201 MB output, 0.40 s, 392 MB   238 KiB, 0.01 s, 2.7 MB
#   properties 334 KiB  411 MB output, 0.87 s, 802 MB   339 KiB, 0.01 s, 2.9 MB
#   directory 4254 KiB  refused, 0.21 s, 55 MB          refused, 0.02 s, 11 MB
#
#   bench/hostile_templates.sh [BUILD_DIR]     (default build/default)
# Needs hyperfine and GNU time (/usr/bin/time).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
zbn2ppt=$build/src/app/zbn2ppt
make=$build/bench/make_hostile_template
runs=${RUNS:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

status=0
for shape in masters slides persist-ids; do
  "$make" "$root/tests/data/good/SampleShow.ppt" "$shape.pot" "$shape" 2048
  # The run may refuse the template (status 1); only its time counts here.
  hyperfine -N -i --warmup 1 --runs "$runs" --export-json times.json \
    "$zbn2ppt d.zbn out.ppt $shape.pot" >/dev/null 2>&1
  ms=$(sed -n 's/.*"median": *\([0-9.e+-]*\).*/\1/p' times.json | head -n 1 |
    awk '{ printf "%.0f\n", $1 * 1000 }')
  printf '%-12s %5d KiB  median %4d ms   (target < 500 ms)\n' "$shape" \
    "$(( $(stat -c %s "$shape.pot") / 1024 ))" "$ms"
  [ "$ms" -lt 500 ] || status=1
done

cp "$root/tests/data/good/SampleShow.ppt" sparse.pot
if truncate -s 2T sparse.pot 2>/dev/null; then
  /usr/bin/time -f '%e %M' -o time.txt "$zbn2ppt" d.zbn out.ppt sparse.pot >/dev/null 2>&1 || true
  read -r seconds kib <time.txt
  printf '%-12s %5d KiB  %s s %d KB   (target < 0.5 s, < 65536 KB; 2 TiB in size)\n' sparse \
    "$(du -k sparse.pot | cut -f1)" "$seconds" "$kib"
  awk -v s="$seconds" -v k="$kib" 'BEGIN { exit !(s < 0.5 && k < 65536) }' || status=1
else
  echo "sparse       skipped: this file system holds no sparse file of 2 TiB"
fi
for hostile in "properties 190" "properties 389" "directory 4096" "records 8192"; do
  set -- $hostile
  template=$1-$2.pot
  "$make" "$root/tests/data/good/SampleShow.ppt" "$template" "$1" "$2"
  rm -f out.ppt
  # Refused or not, the run is measured.
  /usr/bin/time -o time.txt -f '%e s %M KB' "$zbn2ppt" d.zbn out.ppt "$template" >/dev/null 2>&1 ||
    true
  size=$(stat -c %s "$template")
  out=$(stat -c %s out.ppt 2>/dev/null || echo 0)
  peak=$(sed -n 's/.* \([0-9]*\) KB$/\1/p' time.txt)
  printf '%-12s %5d KiB  output %7d KiB  %s\n' "$1" $((size / 1024)) $((out / 1024)) \
    "$(tail -n 1 time.txt)"
  echo "  $zbn2ppt d.zbn out.ppt $template"
  if [ "$1" = properties ]; then
    [ "$out" -lt $((2 * size)) ] || status=1
  else
    [ "$peak" -lt $((size / 1024 + 20480)) ] || status=1
  fi
done
exit $status
