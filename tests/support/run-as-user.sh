#!/bin/sh
# Runs a test program as the unprivileged user "nobody" when started as root, so that what
# permissions decide (a folder that cannot be written, another user's process) is tested as a
# user meets it. The program is copied to a fresh folder that user may enter: the build folder
# may sit in one only root can reach. Started by any other user, the program runs as it is.
#   run-as-user.sh program [arguments...]
set -eu
if [ "$(id -u)" != 0 ]; then exec "$@"; fi

program=$1
shift
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
chmod 0755 "$dir"
cp "$program" "$dir/test"
chmod 0755 "$dir/test"
# LeakSanitizer must be able to read its suppressions, too.
case ${LSAN_OPTIONS-} in
*suppressions=*)
    cp "$(printf '%s' "$LSAN_OPTIONS" | sed 's/.*suppressions=\([^:]*\).*/\1/')" "$dir/lsan.supp"
    chmod 0644 "$dir/lsan.supp"
    LSAN_OPTIONS=$(printf '%s' "$LSAN_OPTIONS" | sed "s|suppressions=[^:]*|suppressions=$dir/lsan.supp|")
    export LSAN_OPTIONS
    ;;
esac
unset TMPDIR
cd /tmp
status=0
setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all -- "$dir/test" "$@" ||
    status=$?
exit $status
