#!/bin/sh
# One end-to-end interop case: zbn2ppt turns DATA into OUTPUT (replacing
# whatever OUTPUT held), then both readers check it. The title is the data
# file's name without its extension.
#
#   app_case.sh ZBN2PPT CHECK_SCRIPT DATA OUTPUT
set -eu
zbn2ppt=$1 check=$2 data=$3 out=$4
mkdir -p "$(dirname "$out")"
# A stale file in the way must be replaced whole.
printf 'not a presentation' > "$out"
"$zbn2ppt" "$data" "$out"
title=$(basename "$data")
title=${title%.*}
exec "$check" "$out" 1 "$title" TRELVO.TrelvoCtrl.1 60 113.625 600 400
