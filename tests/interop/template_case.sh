#!/bin/sh
# Saves a new slide with the viewer onto every template of GOOD_DIR (each
# copied to a .pot name first, as users name templates) and checks the
# outputs: Apache POI reads all of them in one run (slide count, the earlier
# slides' titles as POI reads them from the template, the new title, the
# control and its anchor); LibreOffice converts the ones named after the
# directory in one run, and the last page of each holds the new title.
#
#   template_case.sh WRITE_ON_TEMPLATE GOOD_DIR OUTPUT_DIR [TEMPLATE_FILE_NAME...]
#
# Needs JAVA, CHECKER_CLASSPATH, SOFFICE, PDFINFO and PDFTOTEXT in the environment.
set -eu
[ $# -ge 3 ] || { echo "usage: $0 WRITE_ON_TEMPLATE GOOD_DIR OUTPUT_DIR [TEMPLATE_FILE_NAME...]" >&2; exit 2; }
writer=$1 good=$2 dir=$3
shift 3
mkdir -p "$dir"
rm -f "$dir"/*.pot "$dir"/*.ppt "$dir"/*.txt "$dir/list.tsv"

tab=$(printf '\t')
for template in "$good"/*.ppt; do
    stem=$(basename "$template" .ppt)
    cp "$template" "$dir/$stem.pot"
    # Hyphens would let a wrapped title lose them in the PDF's text.
    title="Messdaten Größe $(printf '%s' "$stem" | tr '_-' '  ')"
    printf '%s' "$title" > "$dir/$stem.title.txt"
    result=$("$writer" "$dir/$stem.pot" "$dir/$stem.ppt" "$title") || {
        echo "FAIL: cannot save onto $stem.pot"; exit 1; }
    printf '%s\n' "$result" > "$dir/$stem.result.txt"
    read -r slides left top width height < "$dir/$stem.result.txt"
    printf '%s\n' "$dir/$stem.pot$tab$dir/$stem.ppt$tab$dir/$stem.title.txt${tab}TRELVO.TrelvoCtrl.1$tab$slides$tab$left$tab$top$tab$width$tab$height" >> "$dir/list.tsv"
done

status=0
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
    read -r slides rest < "$dir/$stem.result.txt"
    pdf="$work/$stem.pdf"
    if [ ! -s "$pdf" ]; then
        echo "FAIL: LibreOffice wrote no PDF for $stem"; status=1; continue
    fi
    pages=$("$PDFINFO" "$pdf" | sed -n 's/^Pages: *//p')
    if [ "$pages" != "$slides" ]; then
        echo "FAIL: $stem: the PDF has $pages pages, expected $slides"; status=1; continue
    fi
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
