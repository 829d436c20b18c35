#!/usr/bin/env bash
# tools/build-windows.sh against stand-ins for apt: without a deb-src entry it writes one for each of the
# release's deb entries (deb822 stanzas and one-line entries, keyring kept) and none for other suites,
# says so, and updates apt; with one it writes nothing.
set -u
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
rel=$(. /etc/os-release && echo "$VERSION_CODENAME")
stubs=$work/stubs etc=$work/etc
mkdir -p "$stubs" "$etc/sources.list.d"

printf '#!/bin/sh\necho "install ok installed"\n' >"$stubs/dpkg-query"
cat >"$stubs/apt-cache" <<'STUB'
#!/usr/bin/env bash
[ -e "$STUBS/has-src" ] && exit 0
echo "E: You must put some 'deb-src' URIs in your sources.list" >&2
exit 100
STUB
cat >"$stubs/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "$*" >>"$STUBS/log"
[ "$1" = source ] && exit 100
exit 0
STUB
chmod +x "$stubs"/*

cat >"$etc/sources.list.d/debian.sources" <<EOF2
Types: deb
# a comment
URIs: http://deb.debian.org/debian
Suites: $rel $rel-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: https://deb.example.org/node
Suites: nodistro
Components: main
EOF2
cat >"$etc/sources.list" <<EOF2
deb [arch=amd64 signed-by=/usr/share/keyrings/sec.gpg] http://security.debian.org/debian-security $rel-security main
deb http://other.example.org/repo stable main
EOF2

run() {
  rm -f "$stubs/log"
  env PATH="$stubs:$PATH" STUBS="$stubs" TAMARACK_APT_ETC="$etc" TAMARACK_WINDOWS_DEPS="$work/deps" \
    bash "$source_dir/tools/build-windows.sh" 2>"$work/err"
}

run && fail "status 0 though apt-get source fails"
made=$etc/sources.list.d/tamarack-deb-src.sources
[ -f "$made" ] || fail "no deb-src file: $(cat "$work/err")"
grep -q "adding deb-src entries to $made" "$work/err" || fail "not said: $(cat "$work/err")"
grep -q "apt-get source zlib/$rel failed" "$work/err" || fail "no source failure: $(cat "$work/err")"
expected="Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $rel $rel-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
Types: deb-src
URIs: http://security.debian.org/debian-security
Suites: $rel-security
Components: main
Signed-By: /usr/share/keyrings/sec.gpg"
got=$(grep -v '^#' "$made" | grep -v '^$')
[ "$got" = "$expected" ] || fail "deb-src entries differ:
$got"
grep -qx 'update -qq' "$stubs/log" || fail "apt not updated: $(cat "$stubs/log")"

touch "$stubs/has-src"
rm "$made"
run
[ ! -e "$made" ] || fail "a deb-src file written though apt has sources"
grep -q 'adding deb-src' "$work/err" && fail "said it added entries though apt has sources"
echo "windows deb-src: ok"
