#!/usr/bin/env bash
# Writes a MIDI file for every tune of the folk collections of the corpus with
# tunora-cli and with abc2midi, on the same files in the same run, and prints the
# tunes per second of each and their ratio (best of three runs).
# Usage: bench/midi_vs_abc2midi.sh [path/to/tunora-cli]
#
# Each collection is one file given to both programs whole (abc2midi stops early on
# a file of all of them together). abc2midi writes one file per X: number beside its
# input, so equal numbers overwrite each other; tunora-cli writes "N-Title.mid".
set -euo pipefail
cli=$(realpath "${1:-build/bin/tunora-cli}")
here=$(cd "$(dirname "$0")" && pwd)
corpus=${TUNORA_CORPUS:-$here/../../shared/corpus}
if ! command -v abc2midi >/dev/null; then
  echo "midi_vs_abc2midi: abc2midi is not installed (Debian package abcmidi)" >&2
  exit 1
fi
base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/tunora-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/src" "$work/home"
cp "$here/../data/abcstyle.cfg" "$here/../data/userdef.abc" "$work/home/" 2>/dev/null || true
collections=()
for d in nottingham_cleaned oneills1850 ryans_mammoth airds_airs essen misc_folk; do
  [ -d "$corpus/abc/$d" ] || continue
  : > "$work/src/$d.abc"
  find "$corpus/abc/$d" -name '*.abc' -print0 | sort -z | while IFS= read -r -d '' f; do
    cat "$f" >> "$work/src/$d.abc"
    printf '\n\n' >> "$work/src/$d.abc"
  done
  collections+=("$d")
done
if [ ${#collections[@]} -eq 0 ]; then
  cp "$here/../data/samples/traditional.abc" "$work/src/samples.abc"
  collections=(samples)
fi
tunes=0
for c in "${collections[@]}"; do tunes=$((tunes + $(grep -c '^X:' "$work/src/$c.abc" || true))); done

now() { date +%s.%N; }
best_t=999999
best_a=999999
for run in 1 2 3; do
  rm -rf "$work/t" "$work/a"
  mkdir -p "$work/t" "$work/a"
  for c in "${collections[@]}"; do mkdir -p "$work/a/$c" && cp "$work/src/$c.abc" "$work/a/$c/"; done
  t0=$(now)
  for c in "${collections[@]}"; do
    "$cli" midi "$work/src/$c.abc" --all -o "$work/t/$c" --home "$work/home" >/dev/null 2>&1
  done
  t1=$(now)
  for c in "${collections[@]}"; do
    (cd "$work/a/$c" && abc2midi "$c.abc" >"$work/a/$c.log" 2>&1) || echo "abc2midi failed on $c" >&2
  done
  t2=$(now)
  best_t=$(echo "t=$t1-$t0; if (t < $best_t) t else $best_t" | bc -l)
  best_a=$(echo "t=$t2-$t1; if (t < $best_a) t else $best_a" | bc -l)
done
# Process start-up, on a one-tune file: each program is started once per collection.
printf 'X:1\nT:One\nM:4/4\nL:1/8\nK:C\nCDEF GABc|\n' > "$work/one.abc"
start_t=999999
start_a=999999
for run in 1 2 3 4 5; do
  rm -rf "$work/s" && mkdir -p "$work/s" && cp "$work/one.abc" "$work/s/"
  t0=$(now)
  "$cli" midi "$work/one.abc" 1 -o "$work/s/t.mid" --home "$work/home" >/dev/null 2>&1
  t1=$(now)
  (cd "$work/s" && abc2midi one.abc -silent >/dev/null 2>&1) || true
  t2=$(now)
  start_t=$(echo "t=$t1-$t0; if (t < $start_t) t else $start_t" | bc -l)
  start_a=$(echo "t=$t2-$t1; if (t < $start_a) t else $start_a" | bc -l)
done
n=${#collections[@]}
work_t=$(echo "w=$best_t - $n * $start_t; if (w < 0.001) 0.001 else w" | bc -l)
work_a=$(echo "w=$best_a - $n * $start_a; if (w < 0.001) 0.001 else w" | bc -l)

files_t=$(find "$work/t" -name '*.mid' | wc -l)
files_a=$(find "$work/a" -name '*.mid' | wc -l)
rate_t=$(echo "$tunes / $best_t" | bc -l)
# abc2midi gives up on some tunes (a broken note early in a tune, for example): its
# rate counts the tunes it wrote a file for.
tunes_a=$(cat "$work"/a/*.log | grep -c '^writing MIDI file' || true)
rate_a=$(echo "$tunes_a / $best_a" | bc -l)
printf 'collections: %s (%d tunes)\n' "${collections[*]}" "$tunes"
printf 'tunora-cli midi --all: %.3f s, %d files, %.0f tunes/s\n' "$best_t" "$files_t" "$rate_t"
printf 'abc2midi:              %.3f s, %d tunes written, %d files (one per X: number), %.0f tunes/s\n' \
  "$best_a" "$tunes_a" "$files_a" "$rate_a"
printf 'ratio: %.2f x abc2midi\n' "$(echo "$rate_t / $rate_a" | bc -l)"
printf 'start-up per process: tunora-cli %.3f s, abc2midi %.3f s\n' "$start_t" "$start_a"
printf 'without start-up: tunora-cli %.0f tunes/s, abc2midi %.0f tunes/s, ratio %.2f\n' \
  "$(echo "$tunes / $work_t" | bc -l)" "$(echo "$tunes_a / $work_a" | bc -l)" \
  "$(echo "($tunes / $work_t) / ($tunes_a / $work_a)" | bc -l)"
