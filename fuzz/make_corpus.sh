#!/usr/bin/env bash
# Makes the seed corpora of the fuzz targets in <folder>: archives, string tables, texts and
# entry-name lists written by the project's own writers (vantor_fuzz_seeds), plus the example
# archive and its loose files when they exist.
# Usage: fuzz/make_corpus.sh <build folder with vantor_fuzz_seeds> <folder>
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$1"
out="$2"

rm -rf "$out/big" "$out/csf" "$out/str" "$out/text" "$out/tree"
"$build/fuzz/vantor_fuzz_seeds" "$out"

shopt -s nullglob
for archive in "$root"/examples/*.big; do
    cp "$archive" "$out/big/"
done
if [ -d "$root/examples/content" ]; then
    while IFS= read -r -d '' file; do
        case "$file" in
            *.csf | *.CSF) cp "$file" "$out/csf/" ;;
            *) cp "$file" "$out/text/$(basename "$file")" ;;
        esac
    done < <(find "$root/examples/content" -type f -size -64k -print0)
fi
echo "seed corpora in $out: $(ls "$out/big" | wc -l) archives, $(ls "$out/csf" | wc -l) tables," \
     "$(ls "$out/str" | wc -l) text sources, $(ls "$out/text" | wc -l) texts," \
     "$(ls "$out/tree" | wc -l) name lists"
