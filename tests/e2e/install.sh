#!/usr/bin/env bash
# cmake --install into a temporary prefix: the installed programs, show, manual pages (every option
# of --help) and completion work. Then the .deb names its libraries, installs with dpkg into a clean
# root (a database holding only its dependencies, copied from this machine's) and runs.
set -u
bin=$1
build=$(dirname "$bin")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
tamarack=$prefix/bin/tamarack
model=$prefix/bin/tamarack-model
show=$prefix/share/tamarack/show
for f in README.md docs/script.md; do # the rest is used below
  [ -e "$prefix/share/doc/tamarack/$f" ] || fail "$f is not installed"
done

version=$("$tamarack" --version)
[ "$version" = "$("$bin" --version)" ] || fail "installed '$version' differs from the build's"
out=$("$tamarack" --check "$show" 2>&1) || fail "--check of the installed show: $out"
[ "$out" = "0 errors, 0 warnings" ] || fail "--check of the installed show: $out"
"$tamarack" --shot 18 "$prefix/shot.png" "$show" || fail "--shot of the installed show failed"
file "$prefix/shot.png" | grep -q 'PNG image data, 640 x 480' || fail "no 640 x 480 PNG: $(file "$prefix/shot.png")"
(cd "$prefix" && "$tamarack" new myshow >/dev/null && "$tamarack" --check myshow >"$prefix/new.txt" 2>&1) ||
  fail "tamarack new, then --check: $(cat "$prefix/new.txt")"
grep -qF "described in $prefix/share/doc/tamarack/docs/script.md." "$prefix/myshow/data/script.txt" ||
  fail "the starter script does not name the installed script.md: $(grep described "$prefix/myshow/data/script.txt")"

page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/tamarack.1.gz" 2>&1) || fail "man -l failed: $page"
grep -q "^NAME" <<<"$page" || fail "no NAME section"
grep -qF "Tamarack ${version#tamarack }" <<<"$page" || fail "the page does not carry $version"
grep -qF "$prefix/share/doc/tamarack/docs/script.md" <<<"$page" || fail "the page does not name the installed script.md"
grep -q "@" <<<"$(zcat "$prefix/share/man/man1/tamarack.1.gz" | grep -v '^\.\\"')" && fail "a name is left unfilled"
options=$("$tamarack" --help | grep -oE -- '(^|[ ,])--?[A-Za-z][A-Za-z-]*' | tr -d ' ,' | sort -u)
[ "$(wc -l <<<"$options")" -ge 15 ] || fail "too few options read from --help: $options"
for o in $options new; do
  grep -qE -- "(^|[^A-Za-z-])$o([^A-Za-z-]|$)" <<<"$page" || fail "the manual page does not name $o"
done

# The completion offers every long option of --help.
offered=$(bash -c 'source "$1"; COMP_WORDS=("$2" --); COMP_CWORD=1; _tamarack; printf "%s\n" "${COMPREPLY[@]}"' \
  _ "$prefix/share/bash-completion/completions/tamarack" "$tamarack")
for o in $(grep -- '^--' <<<"$options"); do
  grep -qx -- "$o" <<<"$offered" || fail "the completion does not offer $o"
done

"$model" cube "$prefix/box.3ds" --texture box.jpg >/dev/null || fail "the installed tamarack-model failed"
page=$(man -l "$prefix/share/man/man1/tamarack-model.1.gz" 2>&1) || fail "man -l tamarack-model.1 failed"
for o in $("$model" cube --help | grep -oE -- '--[a-z-]+' | sort -u) convert cube sphere torus plane; do
  grep -qF -- "$o" <<<"$page" || fail "the tamarack-model page does not name $o"
done

command -v dpkg-shlibdeps >/dev/null || fail "dpkg-shlibdeps is missing: run tools/install-deps.sh"
(cd "$build" && cpack -G DEB -B "$prefix/out" >"$prefix/cpack.log" 2>&1) ||
  fail "cpack: $(tail -5 "$prefix/cpack.log")"
deb=$prefix/out/tamarack_${version#tamarack }_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb: $(ls "$prefix/out")"
for page in tamarack tamarack-model; do # compressed, as Debian's policy asks
  dpkg-deb -c "$deb" | grep -q "/usr/share/man/man1/$page.1.gz$" || fail "the .deb holds no man1/$page.1.gz"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libjpeg62-turbo libpng16-16; do
  grep -q "$lib" <<<"$depends" || fail "Depends does not name $lib: $depends"
done
# The database holds the first installed package of each list of alternatives.
root=$prefix/root
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
dpkg --root="$root" --log=/dev/null -i "$deb" >"$prefix/dpkg.log" 2>&1 ||
  fail "dpkg -i: $(cat "$prefix/dpkg.log")"
dpkg --root="$root" -s tamarack | grep -q '^Status: install ok installed' || fail "the .deb is not installed"
out=$("$root/usr/bin/tamarack" --check "$root/usr/share/tamarack/show" 2>&1)
[ "$out" = "0 errors, 0 warnings" ] || fail "--check of the show the .deb installed: $out"
zcat "$root/usr/share/man/man1/tamarack.1.gz" | grep -qF /usr/share/doc/tamarack/docs/script.md ||
  fail "the .deb's manual page does not name /usr/share/doc/tamarack/docs/script.md"
echo "install and deb: ok"
