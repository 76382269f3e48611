#!/bin/sh
# Four pages that take memory without end, side by side in one run of the browser engine: two
# endless chains of promises (each waits on the next, so none can be collected) and two setting
# a text of 300 MB. Each fails alone and named; the run's peak memory is what --stats prints.
#
#   bench/memory_bound.sh build/release/quillmere-convert [jobs]
set -eu
program=$1
jobs=${2:-4}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
chain='<p>chain<script>function next() { return Promise.resolve().then(next) } next()</script>'
text='<body><script>document.body.textContent = "x".repeat(3e8)</script>'
printf '%s' "$chain" > "$folder/chain-1.html"
printf '%s' "$chain" > "$folder/chain-2.html"
printf '%s' "$text" > "$folder/text-1.html"
printf '%s' "$text" > "$folder/text-2.html"
printf '%s' '<p>fine' > "$folder/fine.html"
status=0
"$program" --engine browser --jobs "$jobs" --stats "$folder" || status=$?
echo "exit status $status; fine.txt: $(cat "$folder/fine.txt" 2>/dev/null || echo missing)"
