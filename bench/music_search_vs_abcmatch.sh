#!/usr/bin/env bash
# Melody search over a large collection with tunora-cli music-search (all 43
# transposition slots on) and with abcmatch (contour match, which is transposition
# free), on the same file in the same run: tunes per second of each and their ratio
# (best of three). Then the whole-process times of a melody search across a folder
# tree of at least 100,000 tunes in many files, and of a text search across a
# folder of at least 10,000 tunes.
# Usage: bench/music_search_vs_abcmatch.sh [path/to/tunora-cli]
set -euo pipefail
cli=$(realpath "${1:-build/bin/tunora-cli}")
here=$(cd "$(dirname "$0")" && pwd)
corpus=${TUNORA_CORPUS:-$here/../../shared/corpus}
base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/tunora-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"

src="$work/collection.abc"
: > "$src"
for d in nottingham_cleaned oneills1850 airds_airs essen misc_folk; do
  [ -d "$corpus/abc/$d" ] || continue
  find "$corpus/abc/$d" -name '*.abc' -print0 | sort -z | while IFS= read -r -d '' f; do
    cat "$f" >> "$src"
    printf '\n\n' >> "$src"
  done
done
[ -s "$src" ] || cp "$here/../data/samples/traditional.abc" "$src"
tunes=$(grep -c '^X:' "$src")

# The phrase: the first two bars of The Kesh (a jig in G).
phrase='GEG GAB|ABA ABd'
best() {  # best wall time in seconds of three runs of "$@"
  local b=999999 s e
  for _ in 1 2 3; do
    s=$(date +%s.%N)
    "$@" > /dev/null 2>&1 || true
    e=$(date +%s.%N)
    b=$(awk -v a="$b" -v s="$s" -v e="$e" 'BEGIN { t = e - s; printf "%.3f", (t < a) ? t : a }')
  done
  echo "$b"
}
rate() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.0f", n / (t > 0.001 ? t : 0.001) }'; }

t_cli=$(best "$cli" music-search "[K:G] $phrase" "$src" --transpose all --home "$work/home")
found=$("$cli" music-search "[K:G] $phrase" "$src" --transpose all --home "$work/home" 2>/dev/null |
        grep -c $'^\t' || true)
echo "collection: $tunes tunes in one file"
echo "tunora-cli music-search, all transpositions: ${t_cli}s, $(rate "$tunes" "$t_cli") tunes/s, $found found"
if command -v abcmatch > /dev/null; then
  mkdir -p "$work/am"
  printf 'X:1\nT:phrase\nM:6/8\nL:1/8\nK:G\n%s|\n' "$phrase" > "$work/am/match.abc"
  cp "$src" "$work/am/collection.abc"
  t_am=$(cd "$work/am" && best abcmatch collection.abc -con -a)
  echo "abcmatch -con -a: ${t_am}s, $(rate "$tunes" "$t_am") tunes/s"
  awk -v a="$t_am" -v c="$t_cli" 'BEGIN { printf "tunora-cli / abcmatch tunes per second: %.2f\n", a / c }'
else
  echo "abcmatch is not installed (Debian package abcmidi): no comparison"
fi

# A folder tree of at least 100,000 tunes: copies of the collection split in files
# of about 200 tunes, ten files to a folder.
tree="$work/tree"
mkdir -p "$tree"
awk -v dir="$tree" -v need=100000 '
  function flush() { if (buf != "") { f = sprintf("%s/d%03d/f%05d.abc", dir, int(nfile / 10), nfile);
                       system("mkdir -p " dir "/" sprintf("d%03d", int(nfile / 10)));
                       printf "%s", buf > f; close(f); nfile++; buf = ""; n = 0 } }
  { lines[NR] = $0 }
  END { total = 0; while (total < need) { for (i = 1; i <= NR; i++) {
          if (lines[i] ~ /^X:/) { if (n >= 200) flush(); n++; total++ }
          buf = buf lines[i] "\n" } flush() } print total > "/dev/stderr" }' "$src" 2> "$work/tree_count"
tree_tunes=$(cat "$work/tree_count")
files=$(find "$tree" -name '*.abc' | wc -l)
t_tree=$(best "$cli" music-search "[K:G] $phrase" "$tree/" --subdir --home "$work/home")
echo "folder tree: $tree_tunes tunes in $files files; music-search (default transpositions): ${t_tree}s"

# A folder of at least 10,000 tunes for the text search.
flat="$work/flat"
mkdir -p "$flat"
i=0
for f in $(find "$tree" -name '*.abc' | sort | head -52); do cp "$f" "$flat/t$i.abc"; i=$((i + 1)); done
flat_tunes=$(cat "$flat"/*.abc | grep -c '^X:')
t_text=$(best "$cli" find "$flat/" --text "lark" --field T --loose 20 --home "$work/home")
echo "folder: $flat_tunes tunes in $i files; find --text (20 % loose): ${t_text}s"
