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

# Each entry: a program and its arguments.
runs=(
  "touch_to_midi"
  "alloc_count"
  "jack_latency"
  "app_run"
  "app_run --realtime"
  "frames"
  "startup"
)
failed=()
start=$(date +%s)
for entry in "${runs[@]}"; do
  read -r p args <<<"$entry"
  exe=$build/bench/bench_$p
  if [ ! -x "$exe" ]; then
    echo "bench: $exe is not built" >&2
    failed+=("$entry (not built)")
    continue
  fi
  echo "== $entry"
  # A hung benchmark must not hang `make bench`; the app's own console lines are not shown.
  # shellcheck disable=SC2086
  if ! timeout 600 "$exe" $args | { grep --line-buffered -v -E '^(GATE|NOTE) (ON|OFF)$' || true; }; then
    failed+=("$entry")
  fi
done
seconds=$(( $(date +%s) - start ))

# Kept, so that the document can be written again without running everything.
cp "$results" "$build/bench-results.jsonl"
python3 bench/report.py --results "$results" --out docs/performance.md --build "$build" \
  --seconds "$seconds" --failed "$(IFS=,; echo "${failed[*]:-}")"
echo "bench: wrote docs/performance.md (${seconds} s)"
[ ${#failed[@]} -eq 0 ]
