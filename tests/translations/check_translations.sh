#!/usr/bin/env bash
# Fails when a text of the interface escapes translation:
#  1. a translation file with an unfinished, vanished or empty entry;
#  2. a text in the sources that the committed translation file lacks
#     (lupdate over the sources would change the file);
#  3. a Russian string literal outside qsTr/tr/translate that is not known
#     to be data (allowed.txt: "path<TAB>literal" lines).
# usage: check_translations.sh LUPDATE SOURCE_DIR SOURCE_LIST TS_FILE...
set -euo pipefail
lupdate=$1 source=$2 list=$3
shift 3
export LC_ALL=C.UTF-8
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0

for ts in "$@"; do
    name=$(basename "$ts")
    if grep -nE 'type="(unfinished|vanished|obsolete)"|<translation></translation>' "$ts"; then
        echo "FAIL: $name has entries without a finished translation (above)"
        status=1
    fi
    cp "$ts" "$tmp/$name"
    (cd "$source" && "$lupdate" -silent -locations none -no-obsolete "@$list" -ts "$tmp/$name") \
        > "$tmp/lupdate.log" 2>&1 || { cat "$tmp/lupdate.log"; status=1; }
    if ! cmp -s "$ts" "$tmp/$name"; then
        echo "FAIL: the sources' texts differ from $name; run the update_translations target and translate:"
        diff "$ts" "$tmp/$name" | head -40 || true
        status=1
    fi
done

# Russian literals outside a translation call, comments left out.
cyrillic='"([^"\\]|\\.)*[\x{0400}-\x{04FF}]([^"\\]|\\.)*"'
calls='qsTr|qsTranslate|\btr|translate|QT_TR_NOOP|QT_TRANSLATE_NOOP'
while IFS= read -r file; do
    [ -f "$file" ] || continue
    relative=${file#"$source"/}
    { grep -nP "$cyrillic" "$file" || true; } | while IFS= read -r line; do
        text=${line#*:}
        code=$(sed -E 's#(^|[[:space:]])//.*$##; s#/\*.*\*/##g' <<<"$text")
        grep -qP "$cyrillic" <<<"$code" || continue
        grep -qP "($calls)\s*\(" <<<"$code" && continue
        grep -oP "$cyrillic" <<<"$code" | while IFS= read -r literal; do
            if ! grep -qxF "$relative	$literal" "$here/allowed.txt"; then
                echo "untranslated: $relative:${line%%:*}: $literal"
            fi
        done
    done
done < "$list" > "$tmp/untranslated.txt"
if [ -s "$tmp/untranslated.txt" ]; then
    cat "$tmp/untranslated.txt"
    echo "FAIL: Russian texts outside qsTr()/tr() (wrap them, or list data in allowed.txt)"
    status=1
fi
exit $status
