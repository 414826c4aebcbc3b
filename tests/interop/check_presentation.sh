#!/bin/sh
# Opens a presentation with Apache POI and with LibreOffice and checks that
# both see what the application wrote.
#
#   check_presentation.sh PPT SLIDES TITLE PROGID LEFT TOP WIDTH HEIGHT
#
# Needs JAVA, CHECKER_CLASSPATH, SOFFICE, PDFINFO, PDFTOTEXT and PDFTOPPM in the
# environment.
set -eu
[ $# -eq 8 ] || { echo "usage: $0 PPT SLIDES TITLE PROGID LEFT TOP WIDTH HEIGHT" >&2; exit 2; }
ppt=$1 slides=$2 title=$3 progid=$4

work=$(mktemp -d "${TMPDIR:-/tmp}/zbn-interop.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

# Apache POI: slide count, last title, the control and its anchor.
printf '%s' "$title" > "$work/title.txt"
"$JAVA" -cp "$CHECKER_CLASSPATH" PptChecker "$slides" "$work/title.txt" "$progid" "$5" "$6" "$7" "$8" < "$ppt"

# LibreOffice: the file converts, and the last page holds the title. A
# private profile keeps runs apart from each other and from the user's.
# The copy gives soffice a plain name; reading the long or non-ASCII path
# is our writer's job, not LibreOffice's.
cp "$ppt" "$work/input.ppt"
start=$(date +%s%N)
"$SOFFICE" "-env:UserInstallation=file://$work/profile" --headless --convert-to pdf --outdir "$work" \
    "$work/input.ppt" > "$work/soffice.log" 2>&1 || { cat "$work/soffice.log"; exit 1; }
end=$(date +%s%N)
echo "LibreOffice conversion: $(( (end - start) / 1000000 )) ms"
[ -s "$work/input.pdf" ] || { echo "FAIL: LibreOffice wrote no PDF"; cat "$work/soffice.log"; exit 1; }
pages=$("$PDFINFO" "$work/input.pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = "$slides" ] || { echo "FAIL: the PDF has $pages pages, expected $slides"; exit 1; }
"$PDFTOTEXT" -f "$pages" -l "$pages" -enc UTF-8 "$work/input.pdf" "$work/last.txt"
# Long titles wrap, so compare without white space.
if ! tr -d '[:space:]' < "$work/last.txt" | grep -qF -- "$(printf '%s' "$title" | tr -d '[:space:]')"; then
    echo "FAIL: the last page does not hold the title \"$title\"; it reads:"
    cat "$work/last.txt"
    exit 1
fi
echo "LibreOffice: $pages page(s), the last holds the title"

# The control's picture shows where the viewer sits: on the blank white
# slide, most of the control's frame (1 pixel a point, its edges left out)
# is drawn on.
x=$(printf '%.0f' "$5") y=$(printf '%.0f' "$6") w=$(printf '%.0f' "$7") h=$(printf '%.0f' "$8")
"$PDFTOPPM" -f "$pages" -l "$pages" -r 72 -gray -singlefile -x $((x + 2)) -y $((y + 2)) \
    -W $((w - 4)) -H $((h - 4)) "$work/input.pdf" "$work/frame"
area=$(( (w - 4) * (h - 4) ))
drawn=$(tail -c "$area" "$work/frame.pgm" | od -An -v -tu1 | tr -s ' ' '\n' |
    awk '$1 != "" && $1 < 250 { n++ } END { print n + 0 }')
[ "$drawn" -ge $((area / 2)) ] || {
    echo "FAIL: LibreOffice draws $drawn of the $area pixels inside the control's frame"; exit 1; }
echo "LibreOffice: the control's picture covers $drawn of $area pixels in its frame"
