#!/usr/bin/env bash
# Runs each fuzz target for SECONDS (default 60) on a copy of its seed corpus, after
# replaying every regression case once. Prints one summary line per target:
#   fuzz <target>: <runs> runs in <s> s, <n> corpus files, no crash
# A crash stops with the target's output and keeps the input under ARTIFACTS; add it to
# fuzz/regressions/<target>/ once fixed, so it is replayed on every run from then on.
#   usage: fuzz/run.sh [SECONDS] [BUILD_DIR]     (build first: cmake --preset fuzz &&
#                                                 cmake --build --preset fuzz)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
seconds="${1:-60}"
build="${2:-$here/../build/fuzz}"
artifacts="$build/fuzz-artifacts"
work="$(mktemp -d "${TMPDIR:-/tmp}/vora-fuzz-XXXXXX")"
# The targets' own scratch files, on tmpfs where there is one.
scratch="$(mktemp -d /dev/shm/vora-fuzz-XXXXXX 2>/dev/null || mktemp -d "$work/scratch-XXXXXX")"
trap 'rm -rf "$work" "$scratch"' EXIT
export TMPDIR="$scratch"
mkdir -p "$artifacts"

# target  corpus  dictionary  max input length
targets=(
  "store_loader store_loader store_loader.dict 65536"
  "script_parser script_parser script.dict 4096"
  "script_player script_player script.dict 4096"
)

status=0
for entry in "${targets[@]}"; do
  read -r name corpus dict maxlen <<<"$entry"
  binary="$build/fuzz/fuzz_$name"
  if [ ! -x "$binary" ]; then
    echo "fuzz $name: $binary is not built" >&2
    exit 2
  fi
  regressions="$here/regressions/$name"
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    if ! "$binary" "$regressions"/* >"$work/$name.replay" 2>&1; then
      cat "$work/$name.replay" >&2
      echo "fuzz $name: a regression case fails again" >&2
      status=1
      continue
    fi
  fi
  mkdir -p "$work/$name"
  cp "$here/corpus/$corpus"/* "$work/$name/"
  if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len="$maxlen" -dict="$here/$dict" -artifact_prefix="$artifacts/$name-" \
      -print_final_stats=1 "$work/$name" >"$work/$name.log" 2>&1; then
    tail -n 60 "$work/$name.log" >&2
    echo "fuzz $name: crashed; the input is under $artifacts" >&2
    status=1
    continue
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")"
  took="$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$work/$name.log")"
  echo "fuzz $name: ${runs:-?} runs in ${took:-?} s, $(ls "$work/$name" | wc -l) corpus files, no crash"
done
exit "$status"
