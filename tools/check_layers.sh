#!/usr/bin/env bash
# Checks every #include of the engine's folders against the table of allowed
# edges in docs/architecture.md (between "<!-- layers -->" and
# "<!-- /layers -->": the rows "| folder | may include |", and the line "No
# folder may include `NAME`." for a folder that nothing may include).
#
# Every include form is read: quoted and angle-bracketed, with or without
# blanks after the '#'. A quoted name is looked up as the compiler does: beside
# the including file first (so "../render/bezier.h" in script/ is
# render/bezier.h), then from the top of the tree; an angle-bracketed one from
# the top of the tree. An include that lands in a folder of the table must be
# the including folder's own or one its row names; one that lands on another
# file of the tree (tests/, tools/, bench/) is refused; anything else is a
# system header.
#
# Prints each forbidden include as
#   FILE:LINE: FOLDER may not include TARGET
#   FILE:LINE: no folder may include TARGET
# with ' (written "../x/y.h")' or ' (written <x/y.h>)' after TARGET when the
# include is written otherwise than TARGET in quotes, and exits with status 1
# when there is one.
# Usage: tools/check_layers.sh [SOURCE_DIR]
set -euo pipefail
root=${1:-$(dirname "$0")/..}
doc=$root/docs/architecture.md
[ -f "$doc" ] || { echo "check_layers: $doc is missing" >&2; exit 2; }
section=$(sed -n '/<!-- layers -->/,/<!-- \/layers -->/p' "$doc")
table=$(echo "$section" | grep '^|' | tr -d '`,' | tail -n +3)
[ -n "$table" ] || { echo "check_layers: no layer table in $doc" >&2; exit 2; }
sealed=$(echo "$section" | sed -n 's/^No folder may include `\([^`]*\)`.*/\1/p')
folders=$(echo "$table" | awk -F'|' '{gsub(/ /, "", $2); print $2}')

cd "$root"
dirs=()
for f in $folders; do [ -d "$f" ] && dirs+=("$f"); done
{
    echo "$table"
    echo "--sealed"
    echo "$sealed"
    echo "--files"
    find . -path ./.git -prune -o -path './build*' -prune -o -type f -print | sed 's|^\./||'
    echo "--includes"
    grep -rnE --include='*.h' --include='*.cpp' --include='*.c' \
        '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][^">]+[">]' "${dirs[@]}" || true
} | awk '
    # The path with "." and ".." parts taken out; a path that leaves the
    # tree keeps its leading "..".
    function normal(path,    n, parts, out, k, i) {
        n = split(path, parts, "/")
        k = 0
        for (i = 1; i <= n; i++) {
            if (parts[i] == "" || parts[i] == ".") continue
            if (parts[i] == ".." && k > 0 && out[k] != "..") { k--; continue }
            out[++k] = parts[i]
        }
        path = ""
        for (i = 1; i <= k; i++) path = path (i > 1 ? "/" : "") out[i]
        return path
    }
    BEGIN { part = "table" }
    /^--sealed$/ { part = "sealed"; next }
    /^--files$/ { part = "files"; next }
    /^--includes$/ { part = "includes"; next }
    part == "table" {
        split($0, cell, "|")
        folder = cell[2]; gsub(/ /, "", folder)
        known[folder] = 1
        n = split(cell[3], may, " ")
        for (i = 1; i <= n; i++) if (may[i] != "(nothing)") ok[folder "/" may[i]] = 1
        next
    }
    part == "sealed" { if ($0 != "") closed[$0] = 1; next }
    part == "files" { exists[$0] = 1; next }
    {
        # FILE:LINE:TEXT
        file = $0; sub(/:.*/, "", file)
        rest = substr($0, length(file) + 2)
        line = rest; sub(/:.*/, "", line)
        text = substr(rest, length(line) + 2)
        sub(/^[[:space:]]*#[[:space:]]*include[[:space:]]*/, "", text)
        open = substr(text, 1, 1)
        inc = substr(text, 2); sub(/[">].*$/, "", inc)
        dir = file; sub(/\/[^\/]*$/, "", dir)
        if (open == "\"") {
            target = normal(dir "/" inc)
            if (!(target in exists) && inc !~ /^\.\.?\//) target = normal(inc)
            written = "\"" inc "\""
        } else {
            target = normal(inc)
            written = "<" inc ">"
        }
        if (target !~ /\//) next           # no folder: beside the file, or a system header
        if (target ~ /^\.\.\//) next       # outside the tree
        from = file; sub(/\/.*/, "", from)
        to = target; sub(/\/.*/, "", to)
        how = written == "\"" target "\"" ? "" : " (written " written ")"
        if (to in closed) {
            printf "%s:%s: no folder may include %s%s\n", file, line, target, how
            bad = 1
        } else if (to in known) {
            if (to == from || ((from "/" to) in ok)) next
            printf "%s:%s: %s may not include %s%s\n", file, line, from, target, how
            bad = 1
        } else if (target in exists) {
            printf "%s:%s: %s may not include %s%s\n", file, line, from, target, how
            bad = 1
        }
    }
    END { exit bad }'
