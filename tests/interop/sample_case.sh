#!/bin/sh
# One interop case for the file writer alone: write_sample writes a
# presentation with TITLE under OUTPUT_DIR/NAME, then both readers check it.
#
#   sample_case.sh WRITE_SAMPLE CHECK_SCRIPT OUTPUT_DIR NAME TITLE
set -eu
write_sample=$1 check=$2 dir=$3 name=$4 title=$5
mkdir -p "$dir"
out="$dir/$name"
rm -f "$out"
"$write_sample" "$out" "$title" "C:\\data\\$title.zbn"
exec "$check" "$out" 1 "$title" TRELVO.TrelvoCtrl.1 60 113.625 600 400
