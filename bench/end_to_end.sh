#!/usr/bin/env bash
# Times the whole zbn2ppt process, and LibreOffice writing an equivalent
# one-slide presentation, side by side in one run; prints both medians, their
# ratio and our peak memory. Then the same for a generated 1 MB template.
#
#   bench/end_to_end.sh [BUILD_DIR]     (default build/default; needs soffice)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
zbn2ppt=$build/src/app/zbn2ppt
make_template=$build/bench/make_template
runs=${RUNS:-41}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now_ns() { date +%s%N; }

# median_ms COMMAND...: runs it $runs times, prints the median in milliseconds.
median_ms() {
  local times=()
  for ((i = 0; i < runs; i++)); do
    local start end
    start=$(now_ns)
    "$@" >/dev/null 2>&1
    end=$(now_ns)
    times+=($(( (end - start) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v n="${#times[@]}" \
    'NR == int((n + 1) / 2) { printf "%.2f\n", $1 / 1000 }'
}

peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }

cd "$work"
"$zbn2ppt" "$root/examples/bracket_multiple.zbn" reference.ppt
ours=$(median_ms "$zbn2ppt" "$root/examples/bracket_multiple.zbn" out.ppt)
ours_peak=$(peak_kib "$zbn2ppt" "$root/examples/bracket_multiple.zbn" out.ppt)

profile="file://$work/lo-profile"
soffice_convert() {
  soffice -env:UserInstallation="$profile" --headless --convert-to ppt --outdir "$work/lo" reference.ppt
}
soffice_convert >/dev/null 2>&1  # the first start builds the profile
lo_runs=${LO_RUNS:-5}
lo=$(runs=$lo_runs median_ms soffice_convert)

echo "blank presentation, one slide ($runs runs of ours, $lo_runs of LibreOffice):"
echo "  zbn2ppt median        ${ours} ms   (target < 5 ms)"
echo "  LibreOffice median    ${lo} ms"
awk -v a="$lo" -v b="$ours" 'BEGIN { printf "  ratio                 %.0fx   (target >= 100x)\n", a / b }'
echo "  zbn2ppt peak memory   $((ours_peak / 1024)) MiB (${ours_peak} KiB; target < 10 MB)"

"$make_template" big.pot 1024
size=$(stat -c %s big.pot)
tmpl=$(median_ms "$zbn2ppt" "$root/examples/bracket_multiple.zbn" out.ppt big.pot)
tmpl_peak=$(peak_kib "$zbn2ppt" "$root/examples/bracket_multiple.zbn" out.ppt big.pot)
limit=$(( (4 * size + 10 * 1000 * 1000) / 1024 ))
echo "template of $((size / 1024)) KiB:"
echo "  zbn2ppt median        ${tmpl} ms   (target < 20 ms)"
echo "  zbn2ppt peak memory   ${tmpl_peak} KiB (target < ${limit} KiB)"
