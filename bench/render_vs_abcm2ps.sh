#!/usr/bin/env bash
# Renders every tune of a large collection (the whole ABC corpus in one file) to SVG
# pages with tunora-cli and with abcm2ps -g, on the same file in the same run, and
# prints the time of each (best of three) and their ratio.
# Usage: bench/render_vs_abcm2ps.sh [path/to/tunora-cli]
set -euo pipefail
cli=$(realpath "${1:-build/bin/tunora-cli}")
here=$(cd "$(dirname "$0")" && pwd)
corpus=${TUNORA_CORPUS:-$here/../../shared/corpus}
[ -d "$corpus/abc" ] || corpus=/work/shared/corpus
base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/tunora-render.XXXXXX")
trap 'rm -rf "$work"' EXIT

big="$work/big.abc"
: > "$big"
if [ -d "$corpus/abc" ]; then
  find "$corpus/abc" -name '*.abc' -print0 | sort -z | while IFS= read -r -d '' f; do
    printf '\n' >> "$big"; cat "$f" >> "$big"; printf '\n' >> "$big"
  done
else
  for i in $(seq 1 50); do cat "$here/../data/samples/traditional.abc" >> "$big"; done
fi
tunes=$(grep -c '^X:' "$big" || true)
echo "collection: $tunes tunes, $(stat -c %s "$big") bytes"

now() { date +%s.%N; }
best() { echo "if ($1 < $2) $1 else $2" | bc -l; }
bt=999999
for run in 1 2 3; do
  rm -rf "$work/t" && mkdir "$work/t"
  t0=$(now)
  "$cli" render "$big" --all -o "$work/t/page.svg" > /dev/null
  t1=$(now)
  bt=$(best "$(echo "$t1 - $t0" | bc -l)" "$bt")
done
pages=$(ls "$work/t" | wc -l)
printf 'tunora-cli render --all -o OUT.svg: %.3f s (%d pages, %s)\n' "$bt" "$pages" \
  "$(du -sh "$work/t" | cut -f1)"
if ! command -v abcm2ps >/dev/null; then
  echo "abcm2ps is not installed (Debian package abcm2ps): no comparison"
  exit 0
fi
ba=999999
for run in 1 2 3; do
  rm -rf "$work/a" && mkdir "$work/a"
  t0=$(now)
  (cd "$work/a" && abcm2ps -g -O page "$big" > /dev/null 2>&1 || true)
  t1=$(now)
  ba=$(best "$(echo "$t1 - $t0" | bc -l)" "$ba")
done
printf 'abcm2ps -g:                          %.3f s (%d files, %s)\n' "$ba" \
  "$(ls "$work/a" | wc -l)" "$(du -sh "$work/a" | cut -f1)"
printf 'tunes per second: tunora-cli %.0f, abcm2ps %.0f; abcm2ps takes %.2f times as long\n' \
  "$(echo "$tunes / $bt" | bc -l)" "$(echo "$tunes / $ba" | bc -l)" "$(echo "$ba / $bt" | bc -l)"
