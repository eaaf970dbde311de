#!/usr/bin/env bash
# Makes the Debian package with Debian's flags in <build folder>-deb (scripts/package.sh),
# checks its contents, its hardening and what lintian says of it, installs it, checks its manual
# page against --help, runs the installed program as an ordinary user on a private X display,
# exits it through its menu, and removes the package again: package-test.sh [build folder].
# Run as root.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}-deb
user=morvane-test
fail() { echo "package test: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || fail "run as root (it installs and removes the package)"
state() { dpkg-query -W -f='${db:Status-Status}' morvane 2>/dev/null || true; }
# Another package test on this machine waits for this one to end, and the other way round.
exec 9>/tmp/morvane-package-test.lock
flock 9
# Never touch an installation that was there before.
[ "$(state)" = "" ] || [ "$(state)" = not-installed ] || fail "the morvane package is installed; remove it first"
[ ! -e /usr/lib/morvane ] || fail "/usr/lib/morvane exists already"

work=$(mktemp -d /tmp/morvane-package-XXXXXX)
made_user=
cleanup() {
    # runuser passes the signal on to the program.
    [ -z "${prog:-}" ] || { kill "$prog" 2>/dev/null; wait "$prog" 2>/dev/null; } || true
    [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null || true
    rm -f /usr/lib/morvane/Filelst.txt
    if [ "$(state)" != "" ] && [ "$(state)" != not-installed ]; then
        dpkg --purge morvane >/dev/null 2>&1 || echo "package test: could not remove morvane" >&2
    fi
    [ -z "$made_user" ] || userdel -r "$user" 2>/dev/null || true
    rm -rf "$work" "/tmp/runtime-$user"  # Qt's stand-in for the missing XDG_RUNTIME_DIR
}
trap cleanup EXIT

version=$(sed -n 's/^project(Morvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="$build/morvane_${version}_$(dpkg --print-architecture).deb"
rm -f "$deb"
scripts/package.sh "$build" >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "scripts/package.sh failed"; }
[ -f "$deb" ] || fail "no $deb"

# The files it installs, and the dependencies dpkg-shlibdeps found.
dpkg-deb -c "$deb" | awk '{ print $6 $7 $8 }' >"$work/files"
for f in ./usr/lib/morvane/morvane ./usr/bin/morvane-\>../lib/morvane/morvane \
    ./usr/share/applications/org.morvane.Morvane.desktop \
    ./usr/share/metainfo/org.morvane.Morvane.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/morvane.svg \
    ./usr/share/icons/hicolor/48x48/apps/morvane.png \
    ./usr/share/icons/hicolor/256x256/apps/morvane.png \
    ./usr/share/man/man1/morvane.1.gz \
    ./usr/share/doc/morvane/copyright ./usr/share/doc/morvane/changelog.gz; do
    grep -qxF -- "$f" "$work/files" || fail "the package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in fonts-ipafont-gothic libqt6widgets6 libqt6gui6 libqt6core6 libicu72 libc6; do
    [[ ", $depends," == *", $d "* || ", $depends," == *", $d,"* ]] || fail "Depends lacks $d: $depends"
done
echo "package: $deb, $(stat -c %s "$deb") bytes, $(dpkg-deb -f "$deb" Installed-Size) KiB installed"
echo "Depends: $depends"

# The menu entry and the software-centre data as the package ships them.
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/org.morvane.Morvane.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.morvane.Morvane.metainfo.xml"

# Debian's hardening: full RELRO with BIND_NOW, a position-independent executable, and at least
# one fortified function (lintian counts those only as information).
program="$work/root/usr/lib/morvane/morvane"
readelf -dlW --dyn-syms "$program" >"$work/readelf"
grep -q '(FLAGS) *BIND_NOW' "$work/readelf" || fail "the program is not linked with BIND_NOW"
grep -q '(FLAGS_1) *Flags: NOW PIE' "$work/readelf" || fail "the program is no PIE with NOW"
grep -q GNU_RELRO "$work/readelf" || fail "the program has no RELRO segment"
grep -q ' __stack_chk_fail@' "$work/readelf" || fail "the program has no stack protector"
grep -Eq ' __[a-z]+_chk@' "$work/readelf" || fail "the program uses no fortified function"

# No error or warning from lintian; information is shown, not judged.
lint=0
lintian --pedantic --display-info --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || lint=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
[ "$lint" = 0 ] || fail "lintian reports errors or warnings"

# Another apt or dpkg run on this machine holds the lock for a while at most.
for _ in $(seq 60); do
    dpkg -i "$deb" >"$work/dpkg.log" 2>&1 && break
    grep -qi lock "$work/dpkg.log" || { cat "$work/dpkg.log"; fail "dpkg -i failed"; }
    sleep 2
done
[ "$(state)" = installed ] || { cat "$work/dpkg.log"; fail "the package did not install"; }
[ "$(/usr/bin/morvane --version)" = "Morvane $version" ] || fail "/usr/bin/morvane --version"

# Every option --help prints has a paragraph of its own under OPTIONS in the manual page: the
# line after a ".TP" there names it.
optionsOf() { { grep -oE '(^|[ ,])--?[A-Za-z][-A-Za-z]*' || true; } | tr -d ' ,' | sort -u; }
zcat /usr/share/man/man1/morvane.1.gz |
    awk '/^\.SH/ { options = ($2 == "OPTIONS") } options && tag { print } { tag = /^\.TP/ }' |
    sed -e 's/^\.[A-Z]* //' -e 's/\\-/-/g' -e 's/"//g' | optionsOf >"$work/page-options"
/usr/bin/morvane --help >"$work/help" || fail "/usr/bin/morvane --help failed"
grep -E '^ +-' "$work/help" | optionsOf >"$work/help-options" || true
[ -s "$work/help-options" ] || fail "no option found in the output of --help"
missing=$(comm -23 "$work/help-options" "$work/page-options" | paste -sd ' ' -)
[ -z "$missing" ] || fail "the manual page's OPTIONS lack $missing"

# An ordinary user, and a system-wide default watch list beside the program.
id -u "$user" >/dev/null 2>&1 || { useradd -m -s /bin/sh "$user"; made_user=1; }
home=$(getent passwd "$user" | cut -d: -f6)
rm -rf "$home/.config/morvane"
printf '1%-20s%s\r\n' hostname /etc/hostname >/usr/lib/morvane/Filelst.txt

exec 3< <(Xvfb -displayfd 1 -screen 0 800x600x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb <&3
read -r display <&3
export DISPLAY=":$display"

runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" LANG=C.UTF-8 \
    /usr/bin/morvane 2>"$work/stderr" & prog=$!
for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name '^Morvane$' 2>/dev/null | head -n 1) && [ -n "$id" ] && break
    kill -0 "$prog" 2>/dev/null || break
    sleep 0.2
done
[ -n "${id:-}" ] || { cat "$work/stderr"; fail "the window did not appear"; }
xdotool windowfocus --sync "$id"
xdotool key alt+f  # ファイル
sleep 0.5
xdotool key x  # 終了
for _ in $(seq 150); do kill -0 "$prog" 2>/dev/null || break; sleep 0.2; done
kill -0 "$prog" 2>/dev/null && fail "the program did not exit through its menu"
status=0
wait "$prog" || status=$?
prog=
[ "$status" = 0 ] || { cat "$work/stderr"; fail "the program exited with $status"; }

config="$home/.config/morvane"
[ -f "$config/Morvane.ini" ] || fail "no $config/Morvane.ini"
[ "$(stat -c '%U %a' "$config")" = "$user 700" ] || fail "$config is $(stat -c '%U %a' "$config")"
[ "$(stat -c %U "$config/Morvane.ini")" = "$user" ] || fail "$config/Morvane.ini is not the user's"
cmp -s /usr/lib/morvane/Filelst.txt "$config/Filelst.txt" || fail "the default watch list was not copied"
[ "$(ls /usr/lib/morvane)" = "$(printf 'Filelst.txt\nmorvane')" ] || fail "files were written beside the program"

rm /usr/lib/morvane/Filelst.txt
dpkg --purge morvane >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --purge failed"; }
[ ! -e /usr/bin/morvane ] && [ ! -e /usr/lib/morvane ] || fail "the package left files behind"
echo "package test passed"
