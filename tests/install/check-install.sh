#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the installed
# programs start and find their data: the CLI fills the user's program directory
# from share/tunora, and the desktop program starts offscreen, answers on its
# automation socket and quits when told.
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/usr" >/dev/null
for f in bin/tunora bin/tunora-cli bin/tunora-cli-media share/tunora/abcstyle.cfg \
         share/tunora/layout.cfg share/applications/tunora.desktop \
         share/mime/packages/tunora.xml share/metainfo/org.tunora.Tunora.metainfo.xml \
         share/icons/hicolor/scalable/apps/tunora.svg; do
  [ -e "$tmp/usr/$f" ] || fail "not installed: $f"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$tmp/usr/share/applications/tunora.desktop"
fi

unset TUNORA_HOME
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/home/.local/share" XDG_CONFIG_HOME="$tmp/home/.config"
export XDG_RUNTIME_DIR="$tmp/run" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
printf 'X:1\r\nT:Installed\r\nM:4/4\r\nL:1/8\r\nK:G\r\n"G"GABc dcBA|\r\n' > "$tmp/t.abc"

# The CLI plays with the backing styles, which only the data files hold.
"$tmp/usr/bin/tunora-cli" events "$tmp/t.abc" 1 > "$tmp/events" 2> "$tmp/err" ||
  fail "tunora-cli events failed: $(cat "$tmp/err")"
[ -s "$tmp/err" ] && fail "tunora-cli complained: $(cat "$tmp/err")"
[ -f "$XDG_DATA_HOME/tunora/abcstyle.cfg" ] || fail "the program directory was not filled"
grep -q . "$tmp/events" || fail "no events"

"$tmp/usr/bin/tunora" /s /m > "$tmp/gui.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
  [ -S "$XDG_RUNTIME_DIR/tunora.sock" ] && break
  kill -0 "$pid" 2>/dev/null || fail "tunora ended at start: $(cat "$tmp/gui.log")"
  sleep 0.1
done
answer=$("$tmp/usr/bin/tunora" --dde "[open(\"$tmp/t.abc\")][tunecount(\"L\")]") ||
  fail "tunora --dde failed: $answer"
[ "$answer" = "1 ok" ] || fail "tunecount answered '$answer'"
# A second start with a file hands the file to the running program and ends.
printf 'X:1\r\nT:One\r\nK:C\r\nC|\r\n\r\nX:2\r\nT:Two\r\nK:C\r\nD|\r\n' > "$tmp/two tunes.abc"
(cd "$tmp" && timeout 20 "$tmp/usr/bin/tunora" "two tunes.abc") || fail "tunora FILE did not hand over"
answer=$("$tmp/usr/bin/tunora-cli" dde '[tunecount("L")]')
[ "$answer" = "2 ok" ] || fail "the handed-over file is not active: '$answer'"
[ "$("$tmp/usr/bin/tunora-cli" dde '[quit]')" = "0 ok" ] || fail "quit was not taken"
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "tunora did not quit"
wait "$pid" || fail "tunora ended with an error"
pid=""
[ -e "$XDG_RUNTIME_DIR/tunora.sock" ] && fail "the socket was left behind"
echo "installed programs start and find their data"
