#!/usr/bin/env bash
# Writes a MIDI file for every tune of a large collection with tunora-cli and with
# abc2midi, on the same file in the same run, and prints the tunes per second of
# each and their ratio. Usage: bench/midi_vs_abc2midi.sh [path/to/tunora-cli]
set -euo pipefail
cli=$(realpath "${1:-build/bin/tunora-cli}")
here=$(cd "$(dirname "$0")" && pwd)
corpus=${TUNORA_CORPUS:-$here/../../shared/corpus}
if ! command -v abc2midi >/dev/null; then
  echo "midi_vs_abc2midi: abc2midi is not installed (Debian package abcmidi)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The collection: the folk-tune folders of the corpus, or the sample tunes.
: > "$work/all.abc"
for d in nottingham_cleaned oneills1850 ryans_mammoth airds_airs essen misc_folk; do
  [ -d "$corpus/abc/$d" ] || continue
  find "$corpus/abc/$d" -name '*.abc' -print0 | sort -z | while IFS= read -r -d '' f; do
    cat "$f" >> "$work/all.abc"
    printf '\n\n' >> "$work/all.abc"
  done
done
[ -s "$work/all.abc" ] || cp "$here/../data/samples/traditional.abc" "$work/all.abc"
tunes=$(grep -c '^X:' "$work/all.abc" || true)
mkdir -p "$work/home"
cp "$here/../data/abcstyle.cfg" "$here/../data/userdef.abc" "$work/home/" 2>/dev/null || true

now() { date +%s.%N; }
best_tunora=999999
best_abc2midi=999999
for run in 1 2 3; do
  rm -rf "$work/t" "$work/a"
  mkdir -p "$work/t" "$work/a"
  t0=$(now)
  "$cli" midi "$work/all.abc" --all -o "$work/t" --home "$work/home" >/dev/null 2>&1
  t1=$(now)
  (cd "$work/a" && abc2midi "$work/all.abc" -silent >/dev/null 2>&1 || true)
  t2=$(now)
  best_tunora=$(echo "t=$t1-$t0; if (t < $best_tunora) t else $best_tunora" | bc -l)
  best_abc2midi=$(echo "t=$t2-$t1; if (t < $best_abc2midi) t else $best_abc2midi" | bc -l)
done
written_t=$(find "$work/t" -name '*.mid' | wc -l)
written_a=$(find "$work/a" -name '*.mid' | wc -l)
rate_t=$(echo "$tunes / $best_tunora" | bc -l)
rate_a=$(echo "$tunes / $best_abc2midi" | bc -l)
printf 'collection: %d tunes\n' "$tunes"
printf 'tunora-cli midi --all: %.3f s, %d files, %.0f tunes/s\n' "$best_tunora" "$written_t" "$rate_t"
printf 'abc2midi:              %.3f s, %d files, %.0f tunes/s\n' "$best_abc2midi" "$written_a" "$rate_a"
printf 'ratio: %.2f x abc2midi\n' "$(echo "$rate_t / $rate_a" | bc -l)"
