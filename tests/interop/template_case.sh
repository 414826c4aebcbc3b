#!/bin/sh
# Runs zbn2ppt with every template of GOOD_DIR (each copied to a .pot name
# first, as users name templates) and checks the outputs: Apache POI reads
# all of them in one run (one slide more than the template, the earlier
# slides' titles as POI reads them from the template, the new title, and the
# viewer centred on the slide 2 points under the new slide's title);
# Calligra converts every one, and its last page holds the new title;
# LibreOffice converts the ones named after the directory in one run, and
# the last page of each holds the new title.
#
#   template_case.sh ZBN2PPT CHECK_SCRIPT GOOD_DIR OUTPUT_DIR [TEMPLATE_FILE_NAME...]
#
# Needs JAVA, CHECKER_CLASSPATH, SOFFICE, PDFINFO, PDFTOTEXT,
# CALLIGRACONVERTER and UNZIP_TOOL in the environment.
set -eu
[ $# -ge 4 ] || { echo "usage: $0 ZBN2PPT CHECK_SCRIPT GOOD_DIR OUTPUT_DIR [TEMPLATE_FILE_NAME...]" >&2; exit 2; }
zbn2ppt=$1 check=$2 good=$3 dir=$4
shift 4
mkdir -p "$dir"
rm -f "$dir"/*.pot "$dir"/*.ppt "$dir"/*.txt "$dir/list.tsv"

status=0
tab=$(printf '\t')
for template in "$good"/*.ppt; do
    stem=$(basename "$template" .ppt)
    cp "$template" "$dir/$stem.pot"
    # The title is the data file's name; hyphens would let a wrapped title
    # lose them in the PDF's text.
    title="Messdaten Größe $(printf '%s' "$stem" | tr '_-' '  ')"
    printf '%s' "$title" > "$dir/$stem.title.txt"
    "$zbn2ppt" "$dir/$title.zbn" "$dir/$stem.ppt" "$dir/$stem.pot" || {
        echo "FAIL: zbn2ppt cannot save onto $stem.pot"; exit 1; }
    printf '%s\n' "$dir/$stem.pot$tab$dir/$stem.ppt$tab$dir/$stem.title.txt${tab}TRELVO.TrelvoCtrl.1" >> "$dir/list.tsv"
    if pages=$("$check" --calligra "$dir/$stem.ppt" "$title"); then
        echo "Calligra: $stem: $pages page(s), the last holds the title"
    else
        status=1
    fi
done

"$JAVA" -cp "$CHECKER_CLASSPATH" PptChecker --templates "$dir/list.tsv" || status=1

[ $# -gt 0 ] || exit $status
work=$(mktemp -d "${TMPDIR:-/tmp}/zbn-interop.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
for name in "$@"; do
    cp "$dir/${name%.ppt}.ppt" "$work/"
done
start=$(date +%s%N)
( cd "$work" && "$SOFFICE" "-env:UserInstallation=file://$work/profile" --headless --convert-to pdf \
    --outdir "$work" *.ppt > "$work/soffice.log" 2>&1 ) || { cat "$work/soffice.log"; exit 1; }
end=$(date +%s%N)
echo "LibreOffice conversion of $#: $(( (end - start) / 1000000 )) ms"
for name in "$@"; do
    stem=${name%.ppt}
    pdf="$work/$stem.pdf"
    if [ ! -s "$pdf" ]; then
        echo "FAIL: LibreOffice wrote no PDF for $stem"; status=1; continue
    fi
    pages=$("$PDFINFO" "$pdf" | sed -n 's/^Pages: *//p')
    "$PDFTOTEXT" -f "$pages" -l "$pages" -enc UTF-8 "$pdf" "$work/$stem.last.txt"
    if ! tr -d '[:space:]' < "$work/$stem.last.txt" |
            grep -qF -- "$(tr -d '[:space:]' < "$dir/$stem.title.txt")"; then
        echo "FAIL: $stem: the last page does not hold the title; it reads:"
        cat "$work/$stem.last.txt"
        status=1
        continue
    fi
    echo "LibreOffice: $stem: $pages page(s), the last holds the title"
done
exit $status
