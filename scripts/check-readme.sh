#!/usr/bin/env bash
# Checks that README.ja.md keeps in step with README.md: the two link each other, and every
# "## " section of README.md has its Japanese counterpart, in the same order. A Japanese
# section names the English one it stands for on the line above its heading:
#     <!-- en: Installing -->
#     ## インストール
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "check-readme: $*" >&2; exit 1; }

# The "## " headings outside fenced code, one a line; with --marked, each prefixed by the
# English heading named on the line above it ("" when none) and a tab.
headings() {
    awk -v marked="${2:-}" '
        /^(```|~~~)/ { fenced = !fenced }
        !fenced && /^## / {
            heading = substr($0, 4)
            if (marked == "") print heading
            else {
                en = prev
                if (!sub(/^<!-- en: /, "", en) || !sub(/ -->$/, "", en)) en = ""
                print en "\t" heading
            }
        }
        { prev = $0 }' "$1"
}

grep -q '](README\.ja\.md)' README.md || fail "README.md does not link README.ja.md"
grep -q '](README\.md)' README.ja.md || fail "README.ja.md does not link README.md"

mapfile -t english < <(headings README.md)
mapfile -t japanese < <(headings README.ja.md --marked)

for ((i = 0; i < ${#english[@]} || i < ${#japanese[@]}; i++)); do
    n=$((i + 1))
    if ((i >= ${#japanese[@]})); then
        fail "section $n of README.md, \"## ${english[i]}\", has no counterpart in README.ja.md:" \
            "add its Japanese section there, with \"<!-- en: ${english[i]} -->\" on the line above its heading"
    fi
    en=${japanese[i]%%$'\t'*}
    ja=${japanese[i]#*$'\t'}
    if ((i >= ${#english[@]})); then
        fail "section $n of README.ja.md, \"## $ja\", has no counterpart in README.md" \
            "(README.md has ${#english[@]} sections)"
    fi
    if [ -z "$en" ]; then
        fail "section $n of README.ja.md, \"## $ja\", does not name its English section:" \
            "put \"<!-- en: ${english[i]} -->\" on the line above it if that is the one"
    fi
    if [ "$en" != "${english[i]}" ]; then
        fail "section $n differs: README.md has \"## ${english[i]}\"," \
            "README.ja.md has \"## $ja\", which stands for \"$en\""
    fi
done
echo "check-readme: README.md and README.ja.md have the same ${#english[@]} sections"
