#!/usr/bin/env bash
# Checks that every #include "FOLDER/..." of the engine's folders follows the
# table of allowed edges in docs/architecture.md (the rows between
# "<!-- layers -->" and "<!-- /layers -->": "| folder | may include |").
# Prints each forbidden include as FILE:LINE: FOLDER may not include INCLUDE,
# and exits with status 1 when there is one.
# Usage: tools/check_layers.sh [SOURCE_DIR]
set -euo pipefail
root=${1:-$(dirname "$0")/..}
doc=$root/docs/architecture.md
[ -f "$doc" ] || { echo "check_layers: $doc is missing" >&2; exit 2; }
table=$(sed -n '/<!-- layers -->/,/<!-- \/layers -->/p' "$doc" | grep '^|' | tr -d '`,' | tail -n +3)
[ -n "$table" ] || { echo "check_layers: no layer table in $doc" >&2; exit 2; }
folders=$(echo "$table" | awk -F'|' '{gsub(/ /, "", $2); print $2}')

cd "$root"
dirs=()
for f in $folders; do [ -d "$f" ] && dirs+=("$f"); done
{
    echo "$table"
    echo "--"
    grep -rnE --include='*.h' --include='*.cpp' --include='*.c' \
        '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "${dirs[@]}" || true
} | awk '
    BEGIN { FS = "|" }
    !done && /^--$/ { done = 1; FS = ":"; next }
    !done {
        folder = $2; gsub(/ /, "", folder)
        known[folder] = 1
        n = split($3, may, " ")
        for (i = 1; i <= n; i++) if (may[i] != "(nothing)") ok[folder "/" may[i]] = 1
        next
    }
    {
        file = $1; line = $2
        split(file, parts, "/"); from = parts[1]
        inc = $0; sub(/^[^"]*"/, "", inc); sub(/".*$/, "", inc)
        split(inc, ip, "/"); to = ip[1]
        if (to == from || !(to in known) || ((from "/" to) in ok)) next
        printf "%s:%s: %s may not include %s\n", file, line, from, inc
        bad = 1
    }
    END { exit bad }'
