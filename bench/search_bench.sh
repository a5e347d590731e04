#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times the search commands against the usual tools on one corpus, warm cache.
#
# usage: bench/search_bench.sh [CORPUS_DIR] [RUNS]
#   CORPUS_DIR  default /tmp/corvane-search-corpus; built with corvane_make_search_corpus
#               when missing (200,000 metadata entries plus the content set)
#   RUNS        timed runs per command (default 5); the median is printed
# Needs a release build: cmake --preset release && cmake --build --preset release
set -euo pipefail
cd "$(dirname "$0")/.."
corpus="${1:-/tmp/corvane-search-corpus}"
runs="${2:-5}"
bin="${CORVANE_BIN:-build/release/bin}"
corvane="$bin/corvane"
[ -x "$corvane" ] || { echo "search_bench: build $corvane first (release preset)" >&2; exit 2; }
if [ ! -d "$corpus" ]; then
  [ -x "$bin/corvane_make_search_corpus" ] || { echo "search_bench: build corvane_make_search_corpus first" >&2; exit 2; }
  "$bin/corvane_make_search_corpus" "$corpus"
fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# Median wall time of a command in seconds (output discarded, one warm-up run first).
median() {
  local name="$1"; shift
  "$@" >/dev/null 2>&1 || true
  local times=()
  for ((i = 0; i < runs; i++)); do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    t1=$(date +%s.%N)
    times+=("$(echo "$t1 - $t0" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk -v n="$runs" '{ a[NR] = $1 } END { print (n % 2) ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2 }' >"$scratch/$name"
}

entries=$(find "$corpus" | wc -l)
echo "corpus: $corpus ($entries entries), $runs runs each, median wall time, $(nproc) cores"

median corvane_large "$corvane" large -q "$corpus"
median find_size    find "$corpus" -type f -size +9999999c
median corvane_dups "$corvane" dups -q "$corpus"
median jdupes       jdupes -r -q "$corpus"
median fdupes       fdupes -r -q "$corpus"
# rmlint replaces its output file with a regular file: pointed at /dev/null, a run as root
# turns the machine's /dev/null into a plain file. It writes into the scratch folder.
median rmlint       rmlint -T df -o fdupes:"$scratch/rmlint.out" "$corpus"
median corvane_size "$corvane" size "$corpus"
median du_sb        du -sb "$corpus"

# Peak memory of the duplicate search per examined file.
/usr/bin/time -f '%M' -o "$scratch/rss" "$corvane" dups "$corpus" >/dev/null 2>"$scratch/dups.err" || true
examined=$(grep -o '[0-9]* examined' "$scratch/dups.err" | tail -1 | cut -d' ' -f1)
peak_kb=$(tail -1 "$scratch/rss")

t() { cat "$scratch/$1"; }
ratio() { echo "scale=2; $(t "$1") / $(t "$2")" | bc -l; }
printf '\n%-34s %10s   %s\n' "command" "median s" "ratio"
printf '%-34s %10.3f   %s\n' "corvane large" "$(t corvane_large)" "$(ratio corvane_large find_size)x find (goal <= 1.3)"
printf '%-34s %10.3f\n' "find -type f -size +9999999c" "$(t find_size)"
printf '%-34s %10.3f   %s\n' "corvane dups" "$(t corvane_dups)" "jdupes/corvane = $(ratio jdupes corvane_dups) (goal >= 2.5)"
printf '%-34s %10.3f   %s\n' "jdupes -r" "$(t jdupes)" "1.00 (reference)"
printf '%-34s %10.3f   %s\n' "fdupes -r" "$(t fdupes)" "$(ratio fdupes jdupes)x jdupes"
printf '%-34s %10.3f   %s\n' "rmlint -T df" "$(t rmlint)" "$(ratio rmlint jdupes)x jdupes"
printf '%-34s %10.3f   %s\n' "corvane size" "$(t corvane_size)" "$(ratio corvane_size du_sb)x du (goal <= 0.8)"
printf '%-34s %10.3f\n' "du -sb" "$(t du_sb)"
if [ -n "$examined" ] && [ "$examined" -gt 0 ]; then
  printf '%-34s %10s   %s\n' "corvane dups peak memory" "$((peak_kb / 1024)) MiB" \
    "$((peak_kb * 1024 / examined)) bytes per examined file ($examined examined; goal < 300)"
fi
