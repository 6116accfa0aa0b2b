# The row "search" of bench/run (sourced by it): the time of one query of the main window's
# search field (filtering both views and updating them), median over a fixed list of queries
# (one letter, two words, a filter, clearing) on 100,000 maps with half of them in 1,000 tree
# groups, measured by vorlix-bench-search (bench/search.cpp) under the offscreen platform.
# Target: at most 16 ms.

# Sets search_time (µs), search_mem (kB) and search_detail (the times of each query).
search_measure() {
  local maps=100000 rounds=15
  if [ "$quick" -eq 1 ]; then
    maps=10000
    rounds=5
  fi
  if ! /usr/bin/time -f '%M' -o "$work/search.mem" timeout 1800 "$build/bench/vorlix-bench-search" \
    --maps "$maps" --rounds "$rounds" >"$work/search.out" 2>"$work/search.err"; then
    echo "bench: failed: vorlix-bench-search" >&2
    cat "$work/search.err" >&2
    exit 1
  fi
  search_time="$(tail -n 1 "$work/search.out")"
  search_mem="$(tail -n 1 "$work/search.mem")"
  search_detail="$(grep '^search over' "$work/search.err" || true)"
}

search_row() {
  awk -v t="$search_time" -v m="$search_mem" 'BEGIN {
    met = (t <= 16000) ? "yes" : "NO"
    printf "| %-13s | %9.3f | %9s | %-23s | %6s | <= %-5s | %7.1f | %-7s | %-3s |\n", "search", t / 1e6, "-", "one query, median", "-", "16ms", m / 1024, "-", met
  }'
}
