#!/usr/bin/env bash
# Runs every benchmark in the build directory given (default build/bench) and writes
# docs/performance.md from their figures. `make bench` builds them first.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/bench}
case $build in /*) ;; *) build=$root/$build ;; esac
cd "$root"

results=$(mktemp /tmp/vora-bench-results.XXXXXX)
trap 'rm -f "$results"' EXIT
export VORA_BENCH_RESULTS=$results

programs=(touch_to_midi alloc_count jack_latency sampler app_latency frames startup)
failed=()
start=$(date +%s)
for p in "${programs[@]}"; do
  exe=$build/bench/bench_$p
  if [ ! -x "$exe" ]; then
    echo "bench: $exe is not built" >&2
    failed+=("$p (not built)")
    continue
  fi
  echo "== $p"
  # A hung benchmark must not hang `make bench`.
  if ! timeout 600 "$exe"; then
    failed+=("$p")
  fi
done
seconds=$(( $(date +%s) - start ))

python3 bench/report.py --results "$results" --out docs/performance.md --build "$build" \
  --seconds "$seconds" --failed "$(IFS=,; echo "${failed[*]:-}")"
echo "bench: wrote docs/performance.md (${seconds} s)"
[ ${#failed[@]} -eq 0 ]
