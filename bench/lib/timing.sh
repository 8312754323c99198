# Sourced by the benchmark scripts: best-of-three wall-clock times of Linux commands, and one result line.
# Best of three wall-clock times of a command, output discarded, in seconds.
theirs() {
  local best=1e9 start end
  for _ in 1 2 3; do
    start=$(date +%s.%N); "$@" >/dev/null; end=$(date +%s.%N)
    best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (t < b ? t : b) }')
  done
  printf '%.4f' "$best"
}
# row WHAT OURS THEIRS-NAME THEIRS [WIDTH]: both times and the ratio ours / theirs (below 1 is faster).
row() {
  local width=${5:-58}
  printf "%-${width}s ours %8.3f s  %-28s %8.3f s  ratio %.2f\n" "$1" "$2" "$3" "$4" \
    "$(awk -v a="$2" -v b="$4" 'BEGIN { print a / b }')"
}
