#!/usr/bin/env bash
# cpack -G DEB makes tamarack_VERSION_ARCH.deb whose dependencies, worked out
# from the binaries, name SDL2, SDL2_mixer, the JPEG and PNG libraries. It
# installs with dpkg into a clean root (a dpkg database that knows only the
# packages it depends on, copied from this machine's: a chroot would need the
# network), and the installed program runs; what it installs: install.sh.
set -u
bin=$1
build=$(dirname "$bin")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
command -v dpkg-shlibdeps >/dev/null || fail "dpkg-shlibdeps is missing: run tools/install-deps.sh"

version=$("$bin" --version) && version=${version#tamarack }
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || fail "cpack: $(tail -5 "$work/cpack.log")"
deb=$work/out/tamarack_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb: $(ls "$work/out")"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libjpeg62-turbo libpng16-16; do
  grep -q "$lib" <<<"$depends" || fail "Depends does not name $lib: $depends"
done

# The database holds the first installed package of each list of alternatives.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/available"
sed 's/([^)]*)//g' <<<"$depends" | tr ',' '\n' | while read -r entry; do
  for name in ${entry//|/ }; do
    if dpkg-query -s "$name" >/dev/null 2>&1; then
      { dpkg-query -s "$name"; echo; } >>"$root/var/lib/dpkg/status"
      continue 2
    fi
  done
  fail "no package of '$entry' is installed here"
done || exit 1
dpkg --root="$root" --log=/dev/null -i "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg -i: $(cat "$work/dpkg.log")"
dpkg --root="$root" -s tamarack | grep -q '^Status: install ok installed' || fail "not installed"

out=$("$root/usr/bin/tamarack" --check "$root/usr/share/tamarack/show" 2>&1)
[ "$out" = "0 errors, 0 warnings" ] || fail "--check of the installed show: $out"
echo "deb: ok"
