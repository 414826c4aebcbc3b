#!/usr/bin/env bash
# Times the whole zbn2ppt process, and LibreOffice writing an equivalent
# one-slide presentation, side by side in one run; prints both medians, their
# ratio, our peak memory and our minor page faults (on a virtual machine each
# costs microseconds, and unlike time their count does not change with the
# machine's load). Then the same for generated templates: 1 MB, 100 MB, and
# one with 40,000 streams; and the shared libraries we load.
#
#   bench/end_to_end.sh [BUILD_DIR] [CASE...]   (default build/default, every case)
# CASE is one of blank (our start-up, <= 2 ms), libreoffice, 1mb (<= 5 ms),
# 100mb (peak memory <= twice the template + 10 MB), streams, libraries;
# e.g. bench/end_to_end.sh build/default 100mb measures that one target.
# Needs hyperfine, soffice and GNU time (Debian: hyperfine, libreoffice-impress-nogui, time).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build/default}")
shift || true
cases=${*:-blank libreoffice 1mb 100mb streams libraries}
zbn2ppt=$build/src/app/zbn2ppt
make_template=$build/bench/make_template
runs=${RUNS:-200}
lo_runs=${LO_RUNS:-5}
big_runs=${BIG_RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# median_ms RUNS COMMAND: the median wall time of COMMAND, in milliseconds.
median_ms() {
  hyperfine -N --warmup 3 --runs "$1" --export-json times.json "$2" >/dev/null
  sed -n 's/.*"median": *\([0-9.e+-]*\).*/\1/p' times.json | head -n 1 |
    awk '{ printf "%.2f\n", $1 * 1000 }'
}
# usage COMMAND...: the peak memory in KiB and the minor page faults of one run.
usage() { /usr/bin/time -f '%M %R' "$@" 2>&1 >/dev/null | tail -n 1; }

data=$root/examples/bracket_multiple.zbn
"$zbn2ppt" "$data" reference.ppt
has() { [[ " $cases " == *" $1 "* ]]; }

if has blank || has libreoffice; then
  ours=$(median_ms "$runs" "$zbn2ppt $data out.ppt")
  read -r ours_peak ours_faults <<<"$(usage "$zbn2ppt" "$data" out.ppt)"
  echo "blank presentation, one slide ($runs runs):"
  echo "  zbn2ppt median        ${ours} ms   (target <= 2 ms)"
  echo "  zbn2ppt peak memory   ${ours_peak} KiB   (target < 10 MB)"
  echo "  zbn2ppt minor faults  ${ours_faults}"
fi

if has libreoffice; then
  # LibreOffice writes the same one-slide presentation again; the first start
  # builds its profile and is not counted.
  convert="soffice -env:UserInstallation=file://$work/lo-profile --headless --convert-to ppt --outdir $work/lo reference.ppt"
  $convert >/dev/null 2>&1
  lo=$(median_ms "$lo_runs" "$convert")
  echo "  LibreOffice median    ${lo} ms   ($lo_runs runs)"
  awk -v a="$lo" -v b="$ours" 'BEGIN { printf "  ratio                 %.0fx   (target >= 400x)\n", a / b }'
fi

# template_case NAME RUNS SIZE_KIB [STREAMS]: median time and peak memory of
# a build onto a generated template.
template_case() {
  "$make_template" "$1.pot" "$3" ${4:-}
  size=$(stat -c %s "$1.pot")
  tmpl=$(median_ms "$2" "$zbn2ppt $data out.ppt $1.pot")
  read -r tmpl_peak tmpl_faults <<<"$(usage "$zbn2ppt" "$data" out.ppt "$1.pot")"
}

if has 1mb; then
  template_case big "$runs" 1024
  echo "template of $((size / 1024)) KiB:"
  echo "  zbn2ppt median        ${tmpl} ms   (target <= 5 ms)"
  echo "  zbn2ppt peak memory   ${tmpl_peak} KiB"
  echo "  zbn2ppt minor faults  ${tmpl_faults}"
fi

if has 100mb; then
  template_case huge "$big_runs" $((100 * 1024))
  limit=$(( (2 * size + 10 * 1000 * 1000) / 1024 ))
  echo "template of $((size / 1024)) KiB:"
  echo "  zbn2ppt median        ${tmpl} ms"
  echo "  zbn2ppt peak memory   ${tmpl_peak} KiB   (target <= ${limit} KiB: twice the template + 10 MB)"
  rm -f huge.pot
fi

if has streams; then
  template_case streams "$big_runs" 64 40000
  echo "template with 40,000 streams ($((size / 1024)) KiB):"
  echo "  zbn2ppt median        ${tmpl} ms   (target <= 500 ms)"
  echo "  zbn2ppt peak memory   ${tmpl_peak} KiB"
fi

if has libraries; then
  if libraries=$(ldd "$zbn2ppt" 2>/dev/null); then
    echo "shared libraries loaded: $(wc -l <<<"$libraries")"
  else
    echo "shared libraries loaded: none (a static program)"
  fi
fi
