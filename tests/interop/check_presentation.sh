#!/bin/sh
# Opens a presentation with Apache POI, LibreOffice and Calligra Stage and
# checks that each sees what the application wrote.
#
#   check_presentation.sh PPT SLIDES TITLE PROGID LEFT TOP WIDTH HEIGHT
#   check_presentation.sh --calligra PPT TITLE
#
# The second form runs Calligra alone: the file converts and its last page
# holds TITLE. Needs JAVA, CHECKER_CLASSPATH, SOFFICE, PDFINFO, PDFTOTEXT,
# PDFTOPPM, CALLIGRACONVERTER and UNZIP_TOOL in the environment (unzip itself
# reads UNZIP as its options).
set -eu

# Calligra Stage's import follows the rules of [MS-PPT] to the letter and
# refuses a whole file that breaks one: it then exits non-zero, says "The
# conversion failed" and writes no document. Prints the page count.
calligra() {
    ppt=$1 title=$2
    cp "$ppt" "$work/calligra.ppt"
    if ! QT_QPA_PLATFORM=offscreen "$CALLIGRACONVERTER" --batch "$work/calligra.ppt" \
            "$work/calligra.odp" > "$work/calligra.log" 2>&1 ||
            grep -q "conversion failed" "$work/calligra.log" || [ ! -s "$work/calligra.odp" ]; then
        echo "FAIL: Calligra cannot convert $ppt:" >&2
        grep -v "Trying to load" "$work/calligra.log" | tail -n 20 >&2
        return 1
    fi
    "$UNZIP_TOOL" -p "$work/calligra.odp" content.xml > "$work/content.xml"
    pages=$(grep -o '<draw:page ' "$work/content.xml" | wc -l)
    # The last page's text, without markup or white space.
    last=$(tr -d '\n' < "$work/content.xml" | sed 's/<draw:page /\n&/g' | tail -n 1 |
           sed 's/<[^>]*>//g' | tr -d '[:space:]')
    case $last in
        *"$(printf '%s' "$title" | tr -d '[:space:]')"*) ;;
        *) echo "FAIL: Calligra's last page of $ppt does not hold the title; it reads: $last" >&2
           return 1 ;;
    esac
    echo "$pages"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/zbn-interop.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

if [ "${1:-}" = "--calligra" ]; then
    [ $# -eq 3 ] || { echo "usage: $0 --calligra PPT TITLE" >&2; exit 2; }
    calligra "$2" "$3"
    exit
fi
[ $# -eq 8 ] || { echo "usage: $0 PPT SLIDES TITLE PROGID LEFT TOP WIDTH HEIGHT" >&2; exit 2; }
ppt=$1 slides=$2 title=$3 progid=$4

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

pages=$(calligra "$ppt" "$title")
[ "$pages" = "$slides" ] || { echo "FAIL: Calligra sees $pages pages, expected $slides"; exit 1; }
echo "Calligra: $pages page(s), the last holds the title"
