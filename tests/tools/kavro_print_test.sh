#!/bin/sh
# Printing through the tool without a display: a paper target, the sheet of
# a session recorded by replaying a simulated capture into a database, and
# the refusals, each with one line on stderr.
kavro="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A one-page A4 PDF.
is_a4_page() {
    [ "$(head -c 4 "$1")" = "%PDF" ] || { fail "$1 is no PDF"; return; }
    pdfinfo "$1" > info.txt || { fail "pdfinfo $1"; return; }
    grep -q '^Pages: *1$' info.txt || fail "$1: $(grep Pages info.txt)"
    grep -q '^Page size: *595\(\.[0-9]*\)\? x 842\(\.[0-9]*\)\? pts (A4)' info.txt \
        || fail "$1: $(grep 'Page size' info.txt)"
}

# One failure line on stderr and a non-zero exit.
refuses() {
    what="$1"
    shift
    "$kavro" "$@" > /dev/null 2> err.txt && fail "$what must fail"
    [ "$(wc -l < err.txt)" = 1 ] || fail "$what: one error line expected, got: $(cat err.txt)"
}

"$kavro" print target --target "№8" --distance 10 --real 10 --title "Мишень №8" --pdf target.pdf \
    > target.json || fail "print target"
grep -qx '{"pdf":"target.pdf","pages":1}' target.json || fail "target output: $(cat target.json)"
is_a4_page target.pdf
pdftotext target.pdf - | grep -q "Мишень №8" || fail "the title is printed"
"$kavro" print target --target "{BF0CCDC6-E68C-4cdb-8095-1DB0B4B168BF}" --distance 50 \
    --real 10 --simplified --pdf simplified.pdf > /dev/null || fail "print simplified target"
is_a4_page simplified.pdf

refuses "an unknown target" print target --target "№99" --distance 10 --real 10 --pdf x.pdf
refuses "a zero distance" print target --target "№8" --distance 0 --real 10 --pdf x.pdf
refuses "a missing --pdf" print target --target "№8" --distance 10 --real 10
refuses "an unwritable file" print target --target "№8" --distance 10 --real 10 \
    --pdf "$work/missing/x.pdf"
refuses "an unknown print command" print poster --pdf x.pdf

"$kavro" simulate --out sim.cap --seconds 40 --shot-every 5 --seed 3 > /dev/null || fail "simulate"
"$kavro" replay sim.cap --target "№8" --distance 10 --caliber 4.5 --shots 5 --db kavro.sqlite \
    --shooter "Иванов" --organization "ЦСКА" > replay.jsonl || fail "replay to db"
"$kavro" print session --db kavro.sqlite --session 1 --header "Иванов, ЦСКА" \
    --header2 "№8 | Дистанция 10 м | Калибр 4.5" --zoom 2 --pdf session.pdf > session.json \
    || fail "print session"
grep -qx '{"pdf":"session.pdf","pages":1}' session.json || fail "session output: $(cat session.json)"
is_a4_page session.pdf
pdftotext session.pdf - > session.txt
grep -q "Page 1 Иванов, ЦСКА" session.txt || fail "first header: $(head -n 2 session.txt)"
grep -q "Дистанция 10 м" session.txt || fail "second header"

refuses "a missing session" print session --db kavro.sqlite --session 7 --pdf x.pdf
refuses "a missing database" print session --db none.sqlite --session 1 --pdf x.pdf
refuses "a zero zoom" print session --db kavro.sqlite --session 1 --zoom 0 --pdf x.pdf
refuses "an empty competition" print protocol --db kavro.sqlite --competition "Кубок" --pdf x.pdf
refuses "malformed widths" print protocol --db kavro.sqlite --competition "Кубок" --widths a,b \
    --pdf x.pdf

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "kavro print tests passed"
