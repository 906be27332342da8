#!/usr/bin/env bash
# Builds every fuzz target with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz and runs each for
# SECONDS_PER_TARGET seconds (default 20) on its seeds, corpus and regression
# inputs. What a run finds that adds coverage is merged into the target's
# corpus in the repository (corpus/NAME in the target's tests/fuzz/ folder), so the corpus
# grows but stays minimal: only inputs that reach code the others do not. Writes a markdown table of executions, coverage
# and findings per target to build/fuzz/fuzz-report.md and prints it.
#
# A target that crashes, leaks, hangs or runs out of memory is a finding: its
# input is kept in build/fuzz/findings/NAME/ and the script exits 1. Once the
# fault is mended, that input goes into regressions/NAME in that folder,
# which the ordinary test run replays.
#
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET ...]
#
# The targets run one after another, each in as many fuzzing processes as
# the machine has cores (P42R_FUZZ_JOBS=N to choose), so each target has the
# whole machine for its time; its processes share the corpus folders, and the
# report adds up their executions.
#
# P42R_FUZZ_MERGE=0 leaves the corpus as it is (CI, whose clone is thrown
# away, has no use for what a round would add to it).
#
# P42R_FUZZ_SEED=N fixes libFuzzer's random seed, so that a run can be
# repeated (process K of a target gets seed N+K); under CI (CI=true) the
# seed is 1 unless set, so that CI explores the same way a developer's run
# with that seed did, instead of drawing its own. The report names the seed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
seconds=${1:-20}
shift || true
only=("$@")
case "$seconds" in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET ...]" >&2; exit 2 ;;
esac

# clang with libFuzzer, beside what every build needs.
if ! command -v clang++ >/dev/null || ! clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a | grep -q /; then
  bash scripts/install-deps.sh test
fi
seed=${P42R_FUZZ_SEED:-}
if [ -z "$seed" ] && [ "${CI:-}" = true ]; then
  seed=1
fi
build=$top/build/fuzz
jobs=$(nproc 2>/dev/null || echo 2)
workers=${P42R_FUZZ_JOBS:-$jobs}
case "$workers" in
  '' | 0 | *[!0-9]*) echo "fuzz: P42R_FUZZ_JOBS must be a number of processes, not '$workers'" >&2; exit 2 ;;
esac
started=$(date +%s)
. scripts/compiler-cache.sh "$top"
# The compiles name the coverage ignore list by a relative path; its content
# must count for the cache.
export CCACHE_EXTRAFILES=$top/cmake/fuzz-coverage-ignore.txt

echo "=== fuzz: configure and build (clang)"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DP42R_FUZZ=ON >/dev/null
mapfile -t manifest < "$build/fuzz-targets.txt"
names=()
for line in "${manifest[@]}"; do
  name=${line%%$'\t'*}
  if [ ${#only[@]} -eq 0 ] || printf '%s\n' "${only[@]}" | grep -qx "$name"; then
    names+=("$name")
  fi
done
[ ${#names[@]} -gt 0 ] || { echo "fuzz: no such target: ${only[*]}" >&2; exit 2; }
cmake --build "$build" -j "$jobs" --target "${names[@]/#/fuzz_}"
echo "=== stage fuzz-build: $(($(date +%s) - started)) s"

# The screens' targets build a device root for every input; on a disk that
# discards freed blocks at once, removing it costs more than the input itself.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

work=$build/fuzz-run
findings=$build/findings
rm -rf "$work" "$findings"
mkdir -p "$work"
report=$build/fuzz-report.md
{
  echo "| target | processes | executions | executions/s | longest input | cov | ft | corpus files | findings |"
  echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | --- |"
} > "$report"
failed=0

for line in "${manifest[@]}"; do
  IFS=$'\t' read -r name seeds corpus regressions max_len <<< "$line"
  printf '%s\n' "${names[@]}" | grep -qx "$name" || continue
  exe=$build/fuzz-bin/fuzz_$name
  run=$work/$name
  mkdir -p "$run/new" "$run/artifacts" "$corpus"
  inputs=("$corpus")
  [ -d "$seeds" ] && inputs+=("$seeds")
  [ -d "$regressions" ] && inputs+=("$regressions")
  length_option=()
  [ "${max_len:-0}" -gt 0 ] && length_option=(-max_len="$max_len")
  echo "=== fuzz: $name for ${seconds}s in $workers process(es)"
  # The processes write what they find into one folder ($run/new, files
  # named by their content), so none loses the others' inputs.
  pids=()
  for ((worker = 0; worker < workers; worker++)); do
    seed_option=()
    [ -z "$seed" ] || seed_option=(-seed=$((seed + worker)))
    "$exe" "${seed_option[@]}" "${length_option[@]}" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
      -rss_limit_mb=2048 -artifact_prefix="$run/artifacts/" "$run/new" "${inputs[@]}" > "$run/log.$worker" 2>&1 &
    pids+=($!)
  done
  status=0
  for pid in "${pids[@]}"; do
    wait "$pid" || status=$?
  done
  cat "$run"/log.* > "$run/log"
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run"/log.* | awk '{ sum += $1 } END { print sum + 0 }')
  rate=$(awk -v runs="$executions" -v seconds="$seconds" 'BEGIN { printf "%d", runs / (seconds > 0 ? seconds : 1) }')
  cov=$(cat "$run"/log.* | grep -o 'cov: [0-9]*' | cut -d' ' -f2 | sort -n | tail -1)
  ft=$(cat "$run"/log.* | grep -o 'ft: [0-9]*' | cut -d' ' -f2 | sort -n | tail -1)
  longest=${max_len:-0}
  [ "$longest" -gt 0 ] || longest=$(cat "$run"/log.* | grep -o 'lim: [0-9]*' | cut -d' ' -f2 | sort -n | tail -1)
  found=$(find "$run/artifacts" -type f | wc -l)
  result=none
  if [ "$found" -gt 0 ] || [ "$status" -ne 0 ]; then
    failed=1
    mkdir -p "$findings/$name"
    cp "$run/log" "$findings/$name/log"
    find "$run/artifacts" -type f -exec cp {} "$findings/$name/" \;
    result="**$found input(s) in build/fuzz/findings/$name** (exit $status)"
    echo "fuzz: $name found a fault; its input and log are in $findings/$name" >&2
    tail -40 "$run/log" >&2
  elif [ "${P42R_FUZZ_MERGE:-1}" = 1 ]; then
    # The repository corpus becomes what adds coverage over the seeds: the
    # seeds are merged in first and then left out again. Edges alone count
    # here (not how often each ran), which keeps the corpus small.
    merged=$run/merged
    mkdir -p "$merged"
    [ -d "$seeds" ] && cp "$seeds"/* "$merged/" 2>/dev/null || true
    "$exe" "${length_option[@]}" -merge=1 -use_counters=0 -timeout=10 -rss_limit_mb=2048 "$merged" "$corpus" "$run/new" \
      > "$run/merge.log" 2>&1
    find "$corpus" -type f -delete
    for file in "$merged"/*; do
      [ -e "$file" ] || continue
      base=$(basename "$file")
      [ -e "$seeds/$base" ] || cp "$file" "$corpus/"
    done
  fi
  files=$(find "$corpus" -type f | wc -l)
  echo "| $name | $workers | $executions | $rate | ${longest:-?} | ${cov:-?} | ${ft:-?} | $files | $result |" >> "$report"
done

ended=$(date +%s)
echo "Seconds per target: $seconds; processes per target: $workers; seed: ${seed:-random}${seed:+ (process K: $seed+K)}; total time of the script: $((ended - started)) s." >> "$report"
echo
cat "$report"
exit $failed
