#!/usr/bin/env bash
# Takes a picture of the real window under Xvfb, with a watch list whose files show every
# state, into docs/screenshot.png. Builds first when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
[ -x build/app/morvane ] && [ -x build/tests/support/watch-line ] || scripts/build.sh build
command -v import >/dev/null || { echo "needs ImageMagick's import (apt-get install imagemagick)"; exit 1; }

work=$(mktemp -d /tmp/morvane-shot-XXXXXX)
cleanup() { kill "${prog:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
cp build/app/morvane "$work/"
mkdir -p "$work/logs" "$work/reports" "$work/etc/app"

printf 'GET /index.html 200\n' >"$work/logs/access.log"
printf 'ERROR disk almost full\n' >"$work/logs/error.log"
printf '売上,100\n' >"$work/reports/daily.csv"
printf '[main]\nport=8080\n' >"$work/etc/app/app.conf"
touch -d '2024-05-01 10:00:00' "$work/etc/app/app.conf"
touch -d '2024-04-20 18:30:00' "$work/reports/daily.csv"
touch -d "$(date +%F) 00:00:00" "$work/logs/error.log" "$work/logs/access.log"

{
    watchLine "アクセスログ" "$work/logs/access.log"
    watchLine "エラーログ" "$work/logs/error.log"
    watchLine "日次レポート" "$work/reports/daily.csv"
    watchLine "設定ファイル" "$work/etc/app/app.conf"
    watchLine "旧バックアップ" "$work/backup/old.tar"
} >"$work/Filelst.txt"
printf '[Window]\r\nTop=0\r\nLeft=0\r\nHeight=220\r\nWidth=560\r\n' \
    >"$work/Morvane.ini"

startXvfb 800x400x24
(cd "$work" && QT_QPA_PLATFORM=xcb ./morvane) & prog=$!
id=$(waitForWindow Morvane)

# Two refreshes through the menu (表示 → 最新の情報に更新): the error log changes before the first
# and shows "changed at the previous check"; the access log changes before the second and
# shows "changed at this check".
refresh() {
    xdotool windowfocus --sync "$id"
    xdotool key alt+v
    sleep 0.3
    xdotool key r
    sleep 0.5
}
touch -d '+10 seconds' "$work/logs/error.log"
refresh
touch -d '+20 seconds' "$work/logs/access.log"
refresh
import -window "$id" docs/screenshot.png
echo "wrote docs/screenshot.png"
