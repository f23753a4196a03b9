#!/usr/bin/env bash
# Compares `lorvanta-cli fuzzy --items` with `fzf --filter` on the same
# 100,000 names and the same query: prints both times and their ratio.
# Usage: bench/fuzzy_vs_fzf.sh [BUILD_DIR] [QUERY]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
query="${2:-thndrb}"
names=$(mktemp)
data=$(mktemp -d)
trap 'rm -rf "$names" "$data"' EXIT
"$build/bin/list_bench" --names "$names"
command -v fzf >/dev/null || { echo "fzf is not installed (tools/setup.sh installs it)"; exit 1; }

# Median of 11 runs, in milliseconds.
median_ms() {
    local times=()
    for _ in $(seq 11); do
        local t0 t1
        t0=$(date +%s%N)
        "$@" >/dev/null
        t1=$(date +%s%N)
        times+=($(( (t1 - t0) / 1000 )))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n 6p | awk '{ printf "%.2f", $1 / 1000 }'
}

lv=$(median_ms "$build/bin/lorvanta-cli" --data "$data" fuzzy --items "$names" "$query")
fz=$(median_ms sh -c "fzf --filter '$query' < '$names'")
echo "names: $(wc -l < "$names"), query: $query"
echo "lorvanta-cli fuzzy --items: ${lv} ms"
echo "fzf --filter:               ${fz} ms"
awk -v a="$lv" -v b="$fz" 'BEGIN { printf "ratio lorvanta/fzf: %.2f\n", a / b }'
