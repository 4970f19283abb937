#!/bin/sh
# Sensor streams through the tool: simulated captures (the same for the same
# seed); a capture replayed through the real controller, decoder and lane
# (twice, identically), written to a database; a live capture of the
# simulated sensor; the device list.
kavro="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$kavro" simulate --out a.cap --seconds 3 --shot-every 1 --serial ABCDEF > a.json || fail "simulate"
grep -q '"records":302,"frames":300,"shots":2}$' a.json || fail "three seconds: $(cat a.json)"
grep -q '"serial":"0000000000abcdef"' a.cap || fail "the capture names the serial"
"$kavro" simulate --out b.cap --seconds 3 --shot-every 1 --serial ABCDEF > /dev/null
cmp -s a.cap b.cap || fail "the same seed gave another capture"
"$kavro" simulate --seconds 1 2> /dev/null && fail "simulate without --out must fail"
"$kavro" simulate --out no/such/x.cap 2> /dev/null && fail "an unwritable capture must fail"

"$kavro" simulate --out sim.cap --seconds 40 --shot-every 5 --seed 3 > /dev/null || fail "simulate"
"$kavro" replay sim.cap --target "№8" --distance 10 --caliber 4.5 --shots 5 --trial-shots 2 \
    > first.jsonl || fail "replay"
"$kavro" replay sim.cap --target "{26044802-5B13-48d6-A5F8-BE777C9BED82}" --distance 10 \
    --caliber 4.5 --shots 5 --trial-shots 2 > second.jsonl || fail "second replay"
cmp -s first.jsonl second.jsonl || fail "two replays differ"
[ "$(grep -c '"event":"shot"' first.jsonl)" = 5 ] || fail "five shots expected"
[ "$(grep -c '"event":"calibrationShot"' first.jsonl)" = 2 ] || fail "two trial shots expected"
head -n 1 first.jsonl | grep -q '^{"event":"phase","phase":1,"timer":1704067200000}$' \
    || fail "first line is the set-up's beginning phase: $(head -n 1 first.jsonl)"
grep -q '^{"event":"phase","phase":0,' first.jsonl || fail "the exercise ends"
tail -n 1 first.jsonl | grep -q '^{"event":"session","shots":5,' || fail "session line"

"$kavro" replay sim.cap --target "№8" --distance 10 --caliber 4.5 --shots 3 \
    --db kavro.sqlite --shooter "Иванов" --organization "ЦСКА" > db.jsonl || fail "replay to db"
tail -n 1 db.jsonl | grep -q '"saved":"database","id":1}$' || fail "session id: $(tail -n 1 db.jsonl)"
"$kavro" db info --db kavro.sqlite | grep -q '"sessions":1,"traces":1,"shots":3,"pending":0,' \
    || fail "db counts: $("$kavro" db info --db kavro.sqlite)"

"$kavro" simulate --out x.cap --skill expert 2> err.txt && fail "an unknown skill must fail"
grep -q 'novice, club or master' err.txt || fail "the skill error names the levels: $(cat err.txt)"

"$kavro" replay missing.cap --target "№8" --distance 10 --caliber 4.5 2> err.txt \
    && fail "a missing capture must fail"
[ "$(wc -l < err.txt)" = 1 ] || fail "one error line"
"$kavro" replay sim.cap --target "№99" --distance 10 --caliber 4.5 2> /dev/null \
    && fail "an unknown target must fail"
"$kavro" replay sim.cap --target "№8" --distance 10 --caliber 4.5 --joint-time 5 \
    --shots-time 5 2> /dev/null && fail "joint and separate times together must fail"

# A live capture ends when its records are in.
"$kavro" capture --simulate --records 5 --out live.cap > capture.json || fail "capture"
grep -q '"records":5}$' capture.json || fail "five records: $(cat capture.json)"
"$kavro" replay live.cap --target "№8" --distance 10 --caliber 4.5 | head -n 1 \
    | grep -q '"event":"phase"' || fail "the live capture replays"

"$kavro" devices --simulate | grep -q '"serial":"0000000000000001","state":"Opened"' \
    || fail "devices: $("$kavro" devices --simulate)"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "kavro device tests passed"
