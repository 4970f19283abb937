#!/bin/sh
# The database commands of the kavro tool against a fresh database in a
# private home: usage: kavro_db_test.sh KAVRO
set -u

KAVRO=$1
DATA=$(cd "$(dirname "$0")" && pwd)/data
WORK=$(mktemp -d) || exit 1
trap 'rm -rf "$WORK"' EXIT
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
DB="$WORK/test.sqlite"
failures=0

report() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# check NAME STATUS EXPECTED-STDOUT COMMAND...: runs the command and compares
# its exit status and its whole standard output; a failing command must
# explain itself in exactly one line on stderr.
check() {
    name=$1 status=$2 expected=$3
    shift 3
    actual=$("$@" 2>"$WORK/stderr")
    actual_status=$?
    if [ "$actual_status" -ne "$status" ]; then
        report "$name: exit status $actual_status, expected $status"
        cat "$WORK/stderr" >&2
    fi
    if [ "$actual" != "$expected" ]; then
        report "$name: unexpected output"
        printf 'expected:\n%s\nactual:\n%s\n' "$expected" "$actual" >&2
    fi
    lines=$(wc -l <"$WORK/stderr")
    if [ "$status" -ne 0 ] && [ "$lines" -ne 1 ]; then
        report "$name: $lines lines on stderr, expected 1"
        cat "$WORK/stderr" >&2
    fi
    if [ "$status" -eq 0 ] && [ "$lines" -ne 0 ]; then
        report "$name: unexpected stderr"
        cat "$WORK/stderr" >&2
    fi
}

# A new file is created with the current schema.
check "db info on a new file" 0 \
    '{"user_version":3,"persons":0,"sessions":0,"traces":0,"shots":0}' \
    "$KAVRO" db info --db "$DB"
[ -f "$DB" ] || report "db info did not create $DB"
check "db without a sub-command" 1 "" "$KAVRO" db --db "$DB"

# A file that is no database is refused.
printf 'just some text, no database\n' >"$WORK/text.sqlite"
check "db info on a text file" 1 "" "$KAVRO" db info --db "$WORK/text.sqlite"

# Reading commands do not create a missing file.
check "shooters without a file" 1 "" "$KAVRO" shooters --db "$WORK/missing.sqlite"
[ -e "$WORK/missing.sqlite" ] && report "shooters created a missing database"

# Import result codes: printed and returned.
printf '[]' >"$WORK/empty.json"
printf '{}' >"$WORK/object.json"
printf 'no json' >"$WORK/text.json"
check "import of an empty array" 4 4 "$KAVRO" import-shooters --db "$DB" "$WORK/empty.json"
check "import of an object" 3 3 "$KAVRO" import-shooters --db "$DB" "$WORK/object.json"
check "import of text" 2 2 "$KAVRO" import-shooters --db "$DB" "$WORK/text.json"
check "import of a missing file" 1 1 "$KAVRO" import-shooters --db "$DB" "$WORK/none.json"

# The fixture: two valid persons (one with fitness-norm data), a person with
# a malformed flag and an element that is no object, both skipped. A second
# import adds nobody.
SHOOTERS='{"id":1,"name":"Ivanov Ivan","organization":"Club","group":"A","properties":{}}
{"id":2,"name":"Петрова Анна","organization":"School 5","group":"7B","properties":{"birthDate":"2010-04-01","gtoUuid":"{5b1c2a3e-0d4f-4a6b-9c8d-7e6f5a4b3c2d}","pectoralNumber":"17","sex":"Ж","step":"3"}}'
check "import of the fixture" 0 0 "$KAVRO" import-shooters --db "$DB" "$DATA/shooters.json"
check "shooters after the import" 0 "$SHOOTERS" "$KAVRO" shooters --db "$DB"
check "second import" 0 0 "$KAVRO" import-shooters --db "$DB" "$DATA/shooters.json"
check "db info after the import" 0 \
    '{"user_version":3,"persons":2,"sessions":0,"traces":0,"shots":0}' \
    "$KAVRO" db info --db "$DB"

# Session lists of a database without sessions, and conflicting options.
check "sessions of an empty database" 0 "" "$KAVRO" sessions --db "$DB"
check "sessions with a bad person id" 1 "" "$KAVRO" sessions --db "$DB" --person one
check "sessions with --gto alone" 1 "" "$KAVRO" sessions --db "$DB" --gto
check "sessions with person and competition" 1 "" \
    "$KAVRO" sessions --db "$DB" --person 1 --competition Cup

# Export: unknown session, unknown format.
check "export of an unknown session" 1 "" "$KAVRO" export --db "$DB" --session 42
check "export in an unknown format" 1 "" \
    "$KAVRO" export --db "$DB" --session 1 --format xml

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed"
