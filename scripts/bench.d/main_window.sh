#!/usr/bin/env bash
# Generating the 4096 x 4096 final of render-4096.bricks through the main
# window beside kalvora-render on the same project, with all threads and
# with one: the window's overhead over the generation alone (kalvora-render's
# ms= counts the generation only, without loading or writing), and the time
# from a cancel click to the run's last report. Then the same overhead for
# the long run of render-16384.bricks (about 32 large bricks) on one thread,
# with the preview copies it made. Each figure is the best of five runs.
# Last a table of how live the window stays in a run at 16384 x 16384: for
# every texture type, with all threads and with one, the longest time
# without an event-queue run (as a window manager's ping sees it) and the
# time of three runs: the first of a fresh process, which pays for fresh
# memory at the new size, and two after it.
set -euo pipefail
build=${KALVORA_BUILD:?KALVORA_BUILD must name the build folder}
data=${KALVORA_BENCH_DATA:-$(mktemp -d)}
bench="$build/bin/bench_main_window"
render="$build/bin/kalvora-render"
maker="$build/bin/kalvora-make-bench-project"
if [[ ! -x "$bench" || ! -x "$render" || ! -x "$maker" ]]; then
  echo "main_window: bench_main_window, kalvora-render or kalvora-make-bench-project not built; skipped"
  exit 0
fi
if [[ ! -f "$data/render-4096.bricks" || ! -f "$data/render-16384.bricks" ]]; then
  "$maker" "$data" >/dev/null
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cores=$(nproc)

# render_ms PROJECT THREADS: the smallest ms= of five kalvora-render runs.
render_ms() {
  local best="" line ms i
  for ((i = 0; i < 5; i++)); do
    line=$("$render" "$data/$1" 0 "$out/texture.png" --threads "$2")
    ms=${line#ms=}
    ms=${ms%% *}
    if [[ -z "$best" || "$ms" -lt "$best" ]]; then best=$ms; fi
  done
  echo "$best"
}

# window_ms PROJECT THREADS CASE: the smallest time of the case's five runs,
# in ms, and the preview copies of that run (0 for a case without them).
window_ms() {
  KALVORA_THREADS=$2 KALVORA_BENCH_PROJECT="$data/$1" \
    "$bench" --benchmark_filter="^$3/" --benchmark_format=csv 2>/dev/null |
    awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i ~ /copies\/run/) column = i }
             /manual_time"?,/ && !/_(mean|median|stddev|cv)"?,/ {
               t = $3 + 0; if (best == "" || t < best) { best = t; copies = column ? $column + 0 : 0 } }
             END { printf "%.1f %d\n", best, copies }'
}

for threads in "$cores" 1; do
  alone=$(render_ms render-4096.bricks "$threads")
  read -r window _ < <(window_ms render-4096.bricks "$threads" GenerateFinal/window)
  read -r headless _ < <(window_ms render-4096.bricks "$threads" GenerateFinal/headless)
  read -r cancel _ < <(window_ms render-4096.bricks "$threads" CancelToLastReport/window)
  awk -v c="$threads" -v a="$alone" -v w="$window" -v h="$headless" -v k="$cancel" 'BEGIN {
    printf "final 4096 threads=%-2d kalvora-render ms=%-5d window ms=%-7.1f overhead=%5.1f %% (in-process headless ms=%.1f: %5.1f %%) cancel-to-last-report ms=%.1f\n",
      c, a, w, (w / a - 1) * 100, h, (w / h - 1) * 100, k }'
done

alone=$(render_ms render-16384.bricks 1)
read -r window copies < <(window_ms render-16384.bricks 1 GenerateFinal/window)
read -r headless _ < <(window_ms render-16384.bricks 1 GenerateFinal/headless)
awk -v a="$alone" -v w="$window" -v h="$headless" -v p="$copies" 'BEGIN {
  printf "final 16384 threads=1  kalvora-render ms=%-5d window ms=%-7.1f overhead=%5.1f %% (in-process headless ms=%.1f: %5.1f %%) preview copies=%d\n",
    a, w, (w / a - 1) * 100, h, (w / h - 1) * 100, p }'

# gap_runs TYPE THREADS: one fresh process running the three queue-gap runs
# of the texture type; prints the longest gap of runs 1, 2 and 3, their
# times in ms, and where the longest of the three gaps lay ("-" for a run
# that failed).
gap_runs() {
  KALVORA_BENCH_TYPE=$1 KALVORA_THREADS=$2 KALVORA_BENCH_PROJECT="$data/render-16384.bricks" \
    "$bench" --benchmark_filter='^QueueGap16384/' --benchmark_format=csv 2>/dev/null |
    awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); column[h] = i }; next }
             /^"QueueGap16384\// {
               match($1, /run:[0-9]+/); r = substr($1, RSTART + 4, RLENGTH - 4) + 0
               if ($column["error_occurred"] ~ /true/) next
               gap[r] = $column["maxGapMs"] + 0; ms[r] = $3 + 0
               if (worst == "" || gap[r] > gap[worst]) { worst = r; where = $column["label"]; gsub(/"/, "", where) } }
             END {
               for (r = 1; r <= 3; r++) printf "%s ", (r in gap) ? sprintf("%.1f", gap[r]) : "-"
               for (r = 1; r <= 3; r++) printf "%s ", (r in ms) ? sprintf("%.0f", ms[r]) : "-"
               printf "%s\n", worst == "" ? "-" : "run " worst ": " where }'
}

type_names=("seamless" "left border" "right border" "both borders" "arch" "column")
echo "event-queue gaps at 16384 x 16384 (render-16384.bricks; options sized 16384; ms)"
printf "%-7s %-14s %9s %9s %9s %9s %9s %9s  %s\n" threads type "gap run1" "gap run2" "gap run3" \
  "ms run1" "ms run2" "ms run3" "longest gap"
for threads in "$cores" 1; do
  for type in 0 1 2 3 4 5; do
    read -r g1 g2 g3 m1 m2 m3 where < <(gap_runs "$type" "$threads")
    printf "%-7s %-14s %9s %9s %9s %9s %9s %9s  %s\n" "$threads" "$type ${type_names[$type]}" \
      "$g1" "$g2" "$g3" "$m1" "$m2" "$m3" "$where"
  done
done
