#!/usr/bin/env bash
# Writes a MIDI file for every tune of a large collection with tunora-cli and with
# abc2midi, on the same file in the same run, and prints the tunes per second of each
# and their ratio (best of five runs).
# Usage: bench/midi_vs_abc2midi.sh [path/to/tunora-cli]
#
# The collection is the folk collections of the corpus in one file. Ryan's Mammoth
# Collection is left out: abc2midi aborts on it ("buffer overflow detected", at the
# nested tuplets of "Farewell to Erin") and writes only part of it. abc2midi writes
# one file per X: number beside its input, so equal numbers overwrite each other;
# tunora-cli writes "N-Title.mid". abc2midi gives up on some tunes (a broken note
# early in a tune, for example): its rate counts the tunes it wrote a file for.
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

mkdir -p "$work/home"
cp "$here/../data/abcstyle.cfg" "$here/../data/userdef.abc" "$work/home/" 2>/dev/null || true
src="$work/collection.abc"
: > "$src"
used=()
for d in nottingham_cleaned oneills1850 airds_airs essen misc_folk; do
  [ -d "$corpus/abc/$d" ] || continue
  find "$corpus/abc/$d" -name '*.abc' -print0 | sort -z | while IFS= read -r -d '' f; do
    cat "$f" >> "$src"
    printf '\n\n' >> "$src"
  done
  used+=("$d")
done
if [ ${#used[@]} -eq 0 ]; then
  cp "$here/../data/samples/traditional.abc" "$src"
  used=(samples)
fi
tunes=$(grep -c '^X:' "$src" || true)

now() { date +%s.%N; }
best_t=999999
best_a=999999
for run in 1 2 3 4 5; do
  rm -rf "$work/t" "$work/a"
  mkdir -p "$work/t" "$work/a"
  cp "$src" "$work/a/"
  t0=$(now)
  "$cli" midi "$src" --all -o "$work/t" --home "$work/home" >/dev/null 2>&1
  t1=$(now)
  (cd "$work/a" && abc2midi collection.abc >"$work/abc2midi.log" 2>&1) || echo "abc2midi failed" >&2
  t2=$(now)
  best_t=$(echo "t=$t1-$t0; if (t < $best_t) t else $best_t" | bc -l)
  best_a=$(echo "t=$t2-$t1; if (t < $best_a) t else $best_a" | bc -l)
done

files_t=$(find "$work/t" -name '*.mid' | wc -l)
files_a=$(find "$work/a" -name '*.mid' | wc -l)
tunes_a=$(grep -c '^writing MIDI file' "$work/abc2midi.log" || true)
rate_t=$(echo "$tunes / $best_t" | bc -l)
rate_a=$(echo "$tunes_a / $best_a" | bc -l)
printf 'collection: %s (%d tunes, %d cores)\n' "${used[*]}" "$tunes" "$(nproc)"
printf 'tunora-cli midi --all: %.3f s, %d tunes, %d files, %.0f tunes/s\n' "$best_t" "$tunes" \
  "$files_t" "$rate_t"
printf 'abc2midi:              %.3f s, %d tunes written, %d files (one per X: number), %.0f tunes/s\n' \
  "$best_a" "$tunes_a" "$files_a" "$rate_a"
printf 'ratio: %.2f x abc2midi\n' "$(echo "$rate_t / $rate_a" | bc -l)"
