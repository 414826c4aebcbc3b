#!/usr/bin/env bash
# Times the whole zbn2ppt process, side by side with another build of it (the
# program before a change) in one run, so that both see the same machine:
#   blank      a new presentation, against a static program that does nothing
#              (target: at most 2 times it)
#   1mb        a 1 MB template (bench/make_template 1024), against the blank
#              run (target: at most 2.5 times it)
#   pictures   a template whose "Pictures" stream holds 100 MB: peak memory
#              (target: at most 1.1 times the file and 10 MB)
#   streams    a template with 40,000 streams (target: under 500 ms)
#   sparse     a 1 MB template that is a sparse file of 2 TiB: peak memory
#              (target: at most that of the 1 MB template and 1 MB more)
#   libreoffice  LibreOffice writing the same one-slide presentation
# Medians come from hyperfine; peak memory and minor page faults from GNU
# time (on a virtual machine each fault costs microseconds).
#
#   bench/end_to_end.sh [BUILD_DIR [OTHER_BUILD_DIR]] [CASE...]
# BUILD_DIR defaults to build/release; OTHER_BUILD_DIR, when given, is
# measured the same way beside it. Needs hyperfine, gcc, GNU time and, for
# the libreoffice case, soffice.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=()
while [[ $# -gt 0 && -d "$1" ]]; do
  builds+=("$(realpath "$1")")
  shift
done
[[ ${#builds[@]} -gt 0 ]] || builds=("$root/build/release")
cases=${*:-blank 1mb pictures streams sparse}
runs=${RUNS:-300}
big_runs=${BIG_RUNS:-5}
# In memory where it can (/dev/shm): a save ends with fsync, whose cost is the
# disk's, not the program's.
work=$(mktemp -d -p "$( [[ -w /dev/shm ]] && echo /dev/shm || echo "${TMPDIR:-/tmp}")")
trap 'rm -rf "$work"' EXIT
cd "$work"
data=$root/examples/bracket_multiple.zbn
make_template=${builds[0]}/bench/make_template
has() { [[ " $cases " == *" $1 "* ]]; }

# A static program that does nothing: the least a process costs here.
printf 'int main(void) { return 0; }\n' > noop.c
gcc -O2 -static noop.c -o noop

# median_ms COMMAND...: the median wall time of each command, in
# milliseconds, all measured in one hyperfine run.
median_ms() {
  hyperfine -N --warmup 5 --runs "$runs" --export-json times.json "$@" >/dev/null
  sed -n 's/.*"median": *\([0-9.e+-]*\).*/\1/p' times.json |
    awk '{ printf "%.3f\n", $1 * 1000 }'
}
# usage COMMAND...: the peak memory in KiB, the minor page faults and the
# exit status of one run.
usage() { /usr/bin/time -f '%M %R %x' "$@" 2>&1 >/dev/null | tail -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

if has 1mb; then "$make_template" big.pot 1024; fi
if has pictures; then "$make_template" pictures.pot $((100 * 1024)) 0 pictures; fi
if has streams; then "$make_template" streams.pot 64 40000; fi
if has sparse; then
  # Where the file system holds one: read in the memory its bytes take, not its size.
  "$make_template" sparse.pot 1024 && cp sparse.pot dense.pot
  truncate -s 2T sparse.pot 2>/dev/null || { echo "no sparse file of 2 TiB here: sparse skipped"; cases=${cases/sparse/}; }
fi

for build in "${builds[@]}"; do
  zbn2ppt=$build/src/app/zbn2ppt
  echo "$zbn2ppt:"
  if has blank || has 1mb; then
    commands=(./noop "$zbn2ppt $data out.ppt")
    if has 1mb; then commands+=("$zbn2ppt $data out.ppt big.pot"); fi
    mapfile -t ms < <(median_ms "${commands[@]}")
    read -r blank_peak blank_faults _ <<<"$(usage "$zbn2ppt" "$data" out.ppt)"
    echo "  no-op static program      ${ms[0]} ms"
    echo "  blank presentation        ${ms[1]} ms, $(ratio "${ms[1]}" "${ms[0]}") x the no-op (target <= 2), ${blank_peak} KiB, ${blank_faults} faults"
    if has 1mb; then
      read -r peak faults _ <<<"$(usage "$zbn2ppt" "$data" out.ppt big.pot)"
      echo "  1 MB template             ${ms[2]} ms, $(ratio "${ms[2]}" "${ms[1]}") x the blank run (target <= 2.5), ${peak} KiB, ${faults} faults"
    fi
  fi
  if has pictures; then
    read -r peak faults _ <<<"$(usage "$zbn2ppt" "$data" out.ppt pictures.pot)"
    size=$(stat -c %s pictures.pot)
    limit=$(( (size * 11 / 10 + 10 * 1000 * 1000) / 1024 ))
    echo "  100 MB of pictures        peak ${peak} KiB (target <= ${limit} KiB: 1.1 x the file + 10 MB), ${faults} faults"
  fi
  if has streams; then
    runs=$big_runs
    ms=$(median_ms "$zbn2ppt $data out.ppt streams.pot")
    runs=${RUNS:-300}
    echo "  40,000 streams            ${ms} ms (target < 500 ms)"
  fi
  if has sparse; then
    read -r dense _ _ <<<"$(usage "$zbn2ppt" "$data" out.ppt dense.pot)"
    read -r peak faults status <<<"$(usage "$zbn2ppt" "$data" out.ppt sparse.pot)"
    [[ $status == 0 ]] || echo "  2 TiB sparse template     FAILED: the run was refused (exit status $status)"
    echo "  2 TiB sparse template     peak ${peak} KiB (target <= $((dense + 1024)) KiB: the 1 MB template's + 1 MB), ${faults} faults"
  fi
done

if has libreoffice; then
  # LibreOffice writes the same one-slide presentation again; its first start
  # builds its profile and is not counted.
  "${builds[0]}/src/app/zbn2ppt" "$data" reference.ppt
  convert="soffice -env:UserInstallation=file://$work/lo-profile --headless --convert-to ppt --outdir $work/lo reference.ppt"
  $convert >/dev/null 2>&1
  runs=${LO_RUNS:-5}
  echo "LibreOffice writing the same presentation: $(median_ms "$convert") ms"
fi
