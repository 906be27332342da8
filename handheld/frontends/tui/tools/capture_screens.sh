#!/bin/bash
# Redraws the screenshots in docs/images from the real program: p42r with the
# simulated card on a private tmux server, the consumer menu and an update
# halfway through its download, each kept as the terminal's cells with their
# colours (.ans) and as a picture (.png, by ansi_to_png.py).
#   handheld/frontends/tui/tools/capture_screens.sh [build/debug/handheld/p42r]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../../.." && pwd)
program=${1:-$top/build/debug/handheld/p42r}
out=$top/docs/images
root=$(mktemp -d)
socket=$root/tmux.sock
trap 'tmux -S "$socket" kill-server 2>/dev/null || true; rm -rf "$root"' EXIT

screen() { tmux -S "$socket" capture-pane -p "$@" -t shot; }
# Waits (at most ten seconds) until the screen shows the text.
await() {
  for _ in $(seq 100); do
    screen 2>/dev/null | grep -q "$1" && return 0
    sleep 0.1
  done
  echo "capture_screens: never saw '$1'" >&2
  screen >&2 || echo "capture_screens: the program ended" >&2
  return 1
}

mkdir -p "$out" "$root/device"
tmux -S "$socket" new-session -d -s shot -x 100 -y 30 "$program --sim=update-keep-alive --device-root $root/device"
await "処理を選択してください"
screen -e > "$out/consumer-menu.ans"
tmux -S "$socket" send-keys -t shot Space
await "ケータイアップデートを開始します"
tmux -S "$socket" send-keys -t shot Space
await "キャンセル"
tmux -S "$socket" send-keys -t shot Enter
await "ファイルダウンロード開始"
screen -e > "$out/update-running.ans"
tmux -S "$socket" send-keys -t shot C-c

for name in consumer-menu update-running; do
  "$here/ansi_to_png.py" "$out/$name.ans" "$out/$name.png"
done
echo "written: $out/consumer-menu.{ans,png} $out/update-running.{ans,png}"
