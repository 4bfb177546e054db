# Sourced by the peer timing scripts (not run on its own).
# best_time RUNS DECIMALS COMMAND...: the shortest wall time of RUNS runs of
# COMMAND, its output discarded, in seconds with DECIMALS decimals.
best_time() {
  local runs=$1 decimals=$2 best="" start end t i
  shift 2
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    t=$(awk -v s="$start" -v e="$end" -v f="%.${decimals}f" 'BEGIN { printf f, e - s }')
    if [[ -z "$best" ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}
