#!/usr/bin/env bash
# Times the command line on real documentation trees whose scripts the fast engine does not know
# (the six that tests/fetch_script_pages.sh unpacks), with `w3m -dump` as a yardstick, tree by
# tree in one sitting: w3m one file at a time, the default engine choice, then `--engine fast`.
# Prints a table: files/s of each (wall time of the whole command), the share of pages the
# default run gave the fast engine (its --stats), and CPU time a page. w3m's CPU is user plus
# system time of its processes; the command line's is what its --stats counts, its own process
# and the browser engine's helper processes (which a shell's `time` does not see).
#
# The trees are fetched into FOLDER (default /tmp/quillmere-script-pages) once, and converted in
# a copy of it, so the texts written beside the pages do not land in FOLDER. w3m is a yardstick
# only, not among the packages the scripts install: `apt-get install w3m`.
#
#     bench/script_trees.sh build/release/quillmere-convert [FOLDER]
set -euo pipefail

convert=$(realpath "${1:?usage: script_trees.sh QUILLMERE-CONVERT [FOLDER]}")
folder=${2:-/tmp/quillmere-script-pages}
here=$(dirname "$0")
if ! command -v w3m >/dev/null; then
    echo "script_trees.sh: w3m is the yardstick; install it with: apt-get install w3m" >&2
    exit 1
fi
"$here/../tests/fetch_script_pages.sh" "$folder"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -a "$folder/root" "$scratch/root"

# Runs a command with its output in $scratch/out; prints its wall and CPU seconds.
timed() {
    local TIMEFORMAT='%R %U %S' times
    times=$({ time "$@" >"$scratch/out" 2>&1; } 2>&1)
    awk '{ print $1, $2 + $3 }' <<<"$times"
}

w3m_each() {
    for page in "$@"; do
        w3m -dump -T text/html "$page" >/dev/null
    done
}

# The figure a --stats line gives, found by a sed expression.
stat() {
    sed -n "$1" "$scratch/out"
}

rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.1f", n / s }'; }
share() { awk -v n="$1" -v of="$2" 'BEGIN { printf "%.0f%%", of ? 100 * n / of : 0 }'; }
per_page_ms() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.1f", 1000 * s / n }'; }

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores," \
    "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| tree | pages | w3m -dump files/s | default files/s | --engine fast files/s |" \
    "fast engine's share (default) | CPU a page: w3m, default, fast |"
echo "| --- | --- | --- | --- | --- | --- | --- |"
notes=()
# Sums over the trees: pages, wall seconds and CPU seconds of w3m, the default run and the fast one.
totals=(0 0 0 0 0 0 0)
add_to_totals() {
    read -r -a totals < <(awk -v t="${totals[*]}" -v a="$*" 'BEGIN { n = split(t, x, " ")
        split(a, y, " "); for (i = 1; i <= n; ++i) printf "%s ", x[i] + y[i]; print "" }')
}
row() {
    local name=$1 count=$2 w3m_wall=$3 w3m_cpu=$4 default_wall=$5 default_cpu=$6 fast_wall=$7
    local fast_cpu=$8 share=$9
    echo "| $name | $count | $(rate "$count" "$w3m_wall") | $(rate "$count" "$default_wall") |" \
        "$(rate "$count" "$fast_wall") | $share |" \
        "$(per_page_ms "$count" "$w3m_cpu"), $(per_page_ms "$count" "$default_cpu")," \
        "$(per_page_ms "$count" "$fast_cpu") ms |"
}
fast_pages=0
while read -r tree folders; do
    pages=()
    for tree_folder in $folders; do
        mapfile -t -O "${#pages[@]}" pages < <(find "$scratch/$tree_folder" -name '*.html' |
            LC_ALL=C sort)
    done
    count=${#pages[@]}

    read -r w3m_wall w3m_cpu < <(timed w3m_each "${pages[@]}")

    read -r default_wall _ < <(timed "$convert" --stats "${pages[@]}")
    default_cpu=$(stat 's/^CPU seconds.* = \([0-9.]*\) .*/\1/p')
    engines=$(stat 's/^engines *//p')
    taken=${engines%% *}
    fast_pages=$((fast_pages + taken))
    notes+=("$tree, default: $engines; $(stat 's/^files  *//p')")

    read -r fast_wall _ < <(timed "$convert" --stats --engine fast "${pages[@]}")
    fast_cpu=$(stat 's/^CPU seconds.* = \([0-9.]*\) .*/\1/p')
    notes+=("$tree, --engine fast: $(stat 's/^files  *//p')")

    figures=("$count" "$w3m_wall" "$w3m_cpu" "$default_wall" "$default_cpu" "$fast_wall" "$fast_cpu")
    row "$tree" "${figures[@]}" "$(share "$taken" "$count")"
    add_to_totals "${figures[@]}"
done <"$folder/trees"
row "all" "${totals[@]}" "$(share "$fast_pages" "${totals[0]}")"
echo
printf '%s\n' "${notes[@]}"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
