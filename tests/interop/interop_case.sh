#!/bin/sh
# Runs zbn2ppt and opens what it wrote with Apache POI (PptChecker.java),
# Calligra Stage and LibreOffice, each of which must see the new last slide.
#   interop_case.sh app ZBN2PPT DATA OUTPUT
#   interop_case.sh templates ZBN2PPT GOOD_DIR OUTPUT_DIR [TEMPLATE_FILE_NAME...]
# app: DATA into OUTPUT (replacing a stale file): one slide titled with the
# data file's name, the viewer at 60, 113.625, 600 x 400 points, its picture
# drawn there. templates: every template of GOOD_DIR as a .pot (LibreOffice
# reads only those named, when any are). The tools' paths are in JAVA,
# CHECKER_CLASSPATH, SOFFICE, PDFINFO, PDFTOTEXT, PDFTOPPM, CALLIGRACONVERTER
# and UNZIP_TOOL.
set -eu
[ $# -ge 4 ] || { echo "usage: see $0" >&2; exit 2; }
mode=$1 zbn2ppt=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/zbn-interop.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
status=0
fail() { echo "FAIL: $*"; status=1; }
squeeze() { tr -d '[:space:]'; }  # long titles wrap

# Calligra's import follows [MS-PPT] to the letter and refuses a whole file
# that breaks a rule: it exits non-zero or says "The conversion failed".
calligra() {  # PPT TITLE_FILE
    cp "$1" "$work/calligra.ppt"
    rm -f "$work/calligra.odp"
    if ! QT_QPA_PLATFORM=offscreen "$CALLIGRACONVERTER" --batch "$work/calligra.ppt" \
            "$work/calligra.odp" > "$work/calligra.log" 2>&1 ||
            grep -q "conversion failed" "$work/calligra.log" || [ ! -s "$work/calligra.odp" ]; then
        grep -v "Trying to load" "$work/calligra.log" | tail -n 20
        fail "Calligra cannot convert $1"; return
    fi
    # The last page's text, without markup.
    "$UNZIP_TOOL" -p "$work/calligra.odp" content.xml | tr -d '\n' | sed 's/<draw:page /\n&/g' |
        tail -n 1 | sed 's/<[^>]*>//g' | squeeze | grep -qF -- "$(squeeze < "$2")" ||
        fail "Calligra's last page of $1 lacks the title"
}

# LibreOffice converts the PPTs given (plain names in $work) in one run; the
# last page of each holds its title (STEM.title.txt).
# A first start on a new machine, which builds the profile, may fail; the
# second try counts.
libreoffice() {
    for try in 1 2; do
        ( cd "$work" && "$SOFFICE" "-env:UserInstallation=file://$work/profile" --headless \
            --convert-to pdf --outdir "$work" "$@" > "$work/soffice.log" 2>&1 ) &&
            [ -s "$work/${1%.ppt}.pdf" ] && break
        if [ "$try" = 2 ]; then cat "$work/soffice.log"; fi
    done
    for ppt in "$@"; do
        stem=${ppt%.ppt}
        pages=0
        [ -s "$work/$stem.pdf" ] || { fail "LibreOffice wrote no PDF for $stem"; continue; }
        pages=$("$PDFINFO" "$work/$stem.pdf" | sed -n 's/^Pages: *//p')
        "$PDFTOTEXT" -f "$pages" -l "$pages" -enc UTF-8 "$work/$stem.pdf" "$work/$stem.last.txt"
        squeeze < "$work/$stem.last.txt" | grep -qF -- "$(squeeze < "$work/$stem.title.txt")" ||
            fail "LibreOffice's last page of $stem lacks the title: $(cat "$work/$stem.last.txt")"
    done
}

if [ "$mode" = app ]; then
    data=$3 out=$4
    mkdir -p "$(dirname "$out")"
    printf 'not a presentation' > "$out"
    "$zbn2ppt" "$data" "$out"
    title=$(basename "$data")
    printf '%s' "${title%.*}" > "$work/input.title.txt"
    printf -- '-\t%s\t%s\t60 113.625 600 400\n' "$out" "$work/input.title.txt" > "$work/list.tsv"
    "$JAVA" -cp "$CHECKER_CLASSPATH" PptChecker "$work/list.tsv" || status=1
    calligra "$out" "$work/input.title.txt"
    # A plain name for soffice: reading a long or non-ASCII path is our job.
    cp "$out" "$work/input.ppt"
    libreoffice input.ppt
    [ "$pages" = 1 ] || fail "LibreOffice sees $pages pages"
    # On the blank white slide, most of the control's frame (1 pixel a point,
    # its edges left out) is drawn on.
    "$PDFTOPPM" -r 72 -gray -singlefile -x 62 -y 116 -W 596 -H 396 "$work/input.pdf" "$work/frame"
    drawn=$(tail -c $((596 * 396)) "$work/frame.pgm" | od -An -v -tu1 | tr -s ' ' '\n' |
        awk '$1 != "" && $1 < 250 { n++ } END { print n + 0 }')
    [ "$drawn" -ge $((596 * 396 / 2)) ] || fail "LibreOffice draws $drawn pixels in the control's frame"
    exit $status
fi

good=$3 dir=$4
shift 4
mkdir -p "$dir"
rm -f "$dir"/*.pot "$dir"/*.ppt "$dir"/*.txt
for template in "$good"/*.ppt; do
    stem=$(basename "$template" .ppt)
    cp "$template" "$dir/$stem.pot"
    # The title is the data file's name, without hyphens a wrapped title could lose.
    printf 'Messdaten Größe %s' "$(printf '%s' "$stem" | tr '_-' '  ')" > "$dir/$stem.title.txt"
    cp "$dir/$stem.title.txt" "$work/"
    "$zbn2ppt" "$dir/$(cat "$dir/$stem.title.txt").zbn" "$dir/$stem.ppt" "$dir/$stem.pot" ||
        fail "cannot save onto $stem.pot"
    printf '%s\t%s\t%s\n' "$dir/$stem.pot" "$dir/$stem.ppt" "$dir/$stem.title.txt" >> "$work/list.tsv"
    calligra "$dir/$stem.ppt" "$dir/$stem.title.txt"
done
"$JAVA" -cp "$CHECKER_CLASSPATH" PptChecker "$work/list.tsv" || status=1
[ $# -gt 0 ] || set -- $(cd "$dir" && ls *.ppt)
for name in "$@"; do cp "$dir/$name" "$work/"; done
libreoffice "$@"
exit $status
