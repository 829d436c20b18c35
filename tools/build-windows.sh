#!/usr/bin/env bash
# The player for 64-bit Windows, cross-built on Debian with mingw-w64, and its
# zip: build-windows/tamarack-VERSION-windows-x64.zip holds tamarack.exe, the
# DLLs it needs, the bundled show, the README and WINDOWS.txt.
# Usage: tools/build-windows.sh
#
# Its libraries: SDL2, SDL2_mixer, SDL2_image, libjpeg-turbo, libpng, zlib,
# libopenmpt and FFmpeg (with x264, libvpx and Opus), and the CLI11 and
# nlohmann-json headers.
# The libraries are Debian's own sources (apt-get source), cross-built once
# into a prefix outside the source tree and reused while it is there:
# TAMARACK_WINDOWS_DEPS, default ~/.cache/tamarack/windows-deps. Each library
# is rebuilt only when its Debian version or its recipe below changes. The
# long builds run at the lowest priority (nice 19) and print their times.
# The program is built in TAMARACK_WINDOWS_BUILD, default build-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ $# -ne 0 ]; then
  echo "usage: tools/build-windows.sh" >&2
  exit 2
fi

host=x86_64-w64-mingw32
prefix=${TAMARACK_WINDOWS_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/tamarack/windows-deps}
jobs=$(nproc)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
say() { echo "tamarack: $*" >&2; }

# The cross compilers (the posix-threads variants: std::thread needs them),
# nasm for libjpeg-turbo's, x264's and libvpx's SIMD code, Wine to test the
# program, zip to pack it, dpkg-dev for apt-get source.
tools/install-deps.sh gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  mingw-w64-x86-64-dev nasm wine64 wine zip dpkg-dev cmake ninja-build pkg-config \
  libcli11-dev nlohmann-json3-dev

# apt-get source needs a deb-src entry. Where there is none, one is added for
# each of the machine's Debian entries (same URIs, suites, components and
# keyring), in one file of its own.
apt_etc=${TAMARACK_APT_ETC:-/etc/apt}
debsrc_file=$apt_etc/sources.list.d/tamarack-deb-src.sources
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
ensure_deb_src() {
  apt-cache showsrc zlib >/dev/null 2>&1 && return 0
  [ -n "$codename" ] || {
    say "cannot tell this system's release (no VERSION_CODENAME in /etc/os-release)"
    exit 1
  }
  local entries
  # deb822 stanzas whose suites are this release's, as deb-src; then the
  # one-line entries of sources.list and *.list.
  entries=$(
    for f in "$apt_etc"/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      awk -v rel="$codename" '
        function flush() {
          if (types ~ /(^| )deb( |$)/ && suites ~ ("(^| )" rel)) print stanza "\n"
          stanza = ""; types = ""; suites = ""
        }
        /^[ \t]*$/ { flush(); next }
        /^#/ { next }
        /^Types:/ { types = $0; sub(/^Types:[ \t]*/, "", types); stanza = stanza "Types: deb-src\n"; next }
        /^Suites:/ { suites = $0; sub(/^Suites:[ \t]*/, "", suites) }
        { stanza = stanza $0 "\n" }
        END { flush() }' "$f"
    done
  )
  local lines
  lines=$(cat "$apt_etc"/sources.list "$apt_etc"/sources.list.d/*.list 2>/dev/null |
    awk -v rel="$codename" '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ ("^" rel)) { $1 = "deb-src"; print; break } }' || true)
  if [ -z "$entries" ] && [ -z "$lines" ]; then
    say "no Debian entry for $codename in $apt_etc to make a deb-src entry from"
    exit 1
  fi
  say "adding deb-src entries to $debsrc_file, so that apt-get source can fetch Debian's sources"
  {
    printf '# Added by tamarack tools/build-windows.sh: the sources of the deb entries.\n'
    [ -z "$entries" ] || printf '%s\n' "$entries"
    if [ -n "$lines" ]; then
      # One-line entries become stanzas too: the file is in deb822 form.
      while read -r _ rest; do
        local opts="" uri suite comps
        if [[ $rest == \[* ]]; then
          opts=${rest%%]*}
          opts=${opts#[}
          rest=${rest#*] }
        fi
        read -r uri suite comps <<<"$rest"
        printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n' "$uri" "$suite" "$comps"
        for o in $opts; do
          case $o in signed-by=*) printf 'Signed-By: %s\n' "${o#signed-by=}" ;; esac
        done
        printf '\n'
      done <<<"$lines"
    fi
  } | $sudo tee "$debsrc_file" >/dev/null
  $sudo apt-get update -qq
}

# --- The libraries ---------------------------------------------------------
# Each one is fetched with apt-get source from the release's own suite (its
# security suite may name versions whose files are gone from the mirror),
# built in $prefix/work, installed into $prefix and its work folder removed.
# $prefix/stamps/NAME records the Debian version and a digest of the recipe
# (its function here, the toolchain file and the stamps of what it links), so
# an unchanged library is never built twice. Only the libraries are built: no
# programs, tests or documents, no debugging information. Static libraries
# where the program links them whole (zlib, libpng, libjpeg-turbo, libopenmpt,
# and x264, libvpx and Opus inside FFmpeg's DLLs); DLLs for SDL2, SDL2_mixer
# and FFmpeg (LGPL and GPL code, kept replaceable), as Windows programs ship
# them.
toolchain=$root/cmake/windows-x64.cmake
cc=$host-gcc-posix
cxx=$host-g++-posix
work=$prefix/work
logs=$prefix/logs
stamps=$prefix/stamps

# The Debian source of a package, unpacked in $work; sets srcdir and version.
fetch() {
  local package=$1 dsc
  rm -rf "$work"
  mkdir -p "$work"
  if ! (cd "$work" && apt-get source -qq --only-source "$package/$codename" >"$logs/$package.fetch.log" 2>&1); then
    say "apt-get source $package/$codename failed:"
    tail -n 20 "$logs/$package.fetch.log" >&2
    exit 1
  fi
  dsc=$(find "$work" -maxdepth 1 -name '*.dsc' -print -quit)
  version=$(awk '/^Version:/ { print $2; exit }' "$dsc")
  srcdir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -print -quit)
}

# A CMake project's build in $work/build with the cross toolchain; the rest
# of the arguments are its options.
cmake_configure() {
  cmake -S "$srcdir" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DTAMARACK_WINDOWS_DEPS="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF "$@"
}
cmake_make() { nice -n 19 cmake --build "$work/build" -j"$jobs" "$@"; }

# The environment of an autotools or hand-written configure script.
cross_env=(CC="$cc" CXX="$cxx" AR="$host-ar" RANLIB="$host-ranlib" STRIP="$host-strip"
  NM="$host-nm" WINDRES="$host-windres" RC="$host-windres"
  CFLAGS="-O2" CXXFLAGS="-O2" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib -static-libgcc -static-libstdc++"
  PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="")

build_zlib() { # static
  cd "$srcdir"
  env "${cross_env[@]}" CHOST=$host ./configure --static --prefix="$prefix"
  nice -n 19 make -j"$jobs" libz.a
  make install
}

build_libpng1_6() { # static
  cmake_configure -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF
  cmake_make
  cmake --install "$work/build"
}

build_libjpeg_turbo() { # static, the libjpeg 6b interface, SIMD through nasm
  cmake_configure -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON
  # The library alone: the install rules would want the programs too.
  cmake_make --target jpeg-static
  install -D -m 644 "$work/build/libjpeg.a" "$prefix/lib/libjpeg.a"
  install -D -m 644 -t "$prefix/include" "$work/build/jconfig.h" "$srcdir/jerror.h" "$srcdir/jmorecfg.h" \
    "$srcdir/jpeglib.h"
  install -D -m 644 -t "$prefix/lib/pkgconfig" "$work/build/pkgscripts/libjpeg.pc"
}

build_libsdl2() { # DLL, with SDL2main; the subsystems the player uses
  cmake_configure -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL_TESTS=OFF \
    -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_RENDER=OFF
  cmake_make
  cmake --install "$work/build"
}

build_libsdl2_mixer() { # DLL; Ogg Vorbis and MP3 through its bundled decoders
  cmake_configure -DBUILD_SHARED_LIBS=ON -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_VENDORED=OFF \
    -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_VORBIS=STB -DSDL2MIXER_MP3=ON -DSDL2MIXER_MP3_DRMP3=ON \
    -DSDL2MIXER_MP3_MPG123=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF \
    -DSDL2MIXER_MIDI=OFF
  cmake_make
  cmake --install "$work/build"
}

build_libsdl2_image() { # DLL; its own BMP and TGA readers (PNG is libpng's, JPEG libjpeg-turbo's)
  cmake_configure -DBUILD_SHARED_LIBS=ON -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_VENDORED=OFF \
    -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_BMP=ON -DSDL2IMAGE_TGA=ON -DSDL2IMAGE_PNG=OFF \
    -DSDL2IMAGE_JPG=OFF -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_AVIF=OFF
  cmake_make
  cmake --install "$work/build"
}

build_libopenmpt() { # static; modules are read by libopenmpt alone
  cd "$srcdir"
  env "${cross_env[@]}" ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static \
    --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
    --with-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
    --without-portaudio --without-portaudiocpp --without-pulseaudio --without-sndfile --without-flac
  nice -n 19 make -j"$jobs"
  make install-exec install-includeHEADERS install-pkgconfigDATA 2>/dev/null || make install
}

build_x264() { # static, 8-bit (the video files are 8-bit 4:2:0)
  cd "$srcdir"
  env "${cross_env[@]}" ./configure --host=$host --cross-prefix=$host- --prefix="$prefix" \
    --enable-static --disable-cli --disable-opencl --bit-depth=8 \
    --disable-avs --disable-swscale --disable-lavf --disable-ffms --disable-gpac --disable-lsmash
  nice -n 19 make -j"$jobs" lib-static
  make install-lib-static
}

build_libvpx() { # static, the VP9 encoder alone
  cd "$srcdir"
  env "${cross_env[@]}" CROSS=$host- ./configure --target=x86_64-win64-gcc --prefix="$prefix" \
    --enable-static --disable-shared --disable-examples --disable-tools --disable-docs \
    --disable-unit-tests --disable-vp8 --disable-vp9-decoder --enable-vp9-encoder --as=nasm
  nice -n 19 make -j"$jobs"
  make install
}

build_opus() { # static; without _FORTIFY_SOURCE (set, so configure adds none): mingw-w64 has its checks only in libssp
  cd "$srcdir"
  env "${cross_env[@]}" CFLAGS="-O2 -D_FORTIFY_SOURCE=0" ./configure --host=$host --prefix="$prefix" \
    --disable-shared --enable-static --disable-doc --disable-extra-programs
  nice -n 19 make -j"$jobs"
  make install
}

build_ffmpeg() { # DLLs: MP3 and Vorbis decoding; H.264, VP9, AAC and Opus encoding into MP4, MKV, WebM
  cd "$srcdir"
  env PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" ./configure \
    --prefix="$prefix" --target-os=mingw32 --arch=x86_64 --enable-cross-compile --cross-prefix=$host- \
    --cc="$cc" --cxx="$cxx" --x86asmexe=nasm --pkg-config=pkg-config --pkg-config-flags=--static \
    --extra-cflags="-I$prefix/include" --extra-ldflags="-L$prefix/lib -static-libgcc" \
    --enable-shared --disable-static --disable-programs --disable-doc --disable-debug \
    --disable-everything --disable-autodetect --enable-w32threads \
    --disable-avdevice --disable-avfilter --disable-postproc --enable-swresample --enable-swscale \
    --enable-gpl --enable-libx264 --enable-libvpx --enable-libopus \
    --enable-protocol=file \
    --enable-demuxer=mp3,ogg,wav,flac,aac,mov,matroska \
    --enable-parser=mpegaudio,vorbis,opus,flac,aac \
    --enable-decoder=mp3,mp3float,vorbis \
    --enable-encoder=libx264,libvpx_vp9,aac,libopus \
    --enable-muxer=mp4,matroska,webm \
    --enable-bsf=vp9_superframe,aac_adtstoasc
  nice -n 19 make -j"$jobs"
  make install
}

# CLI11 and nlohmann-json are headers and CMake files alone: the machine's
# own packages' files, copied into the prefix (the machine's CMake files
# would add -isystem /usr/include to a cross build).
build_headers() {
  local p f
  for p in libcli11-dev nlohmann-json3-dev; do
    dpkg -L "$p" | while read -r f; do
      case $f in /usr/include/* | /usr/share/cmake/*) ;; *) continue ;; esac
      [ -f "$f" ] && install -D -m 644 "$f" "$prefix/${f#/usr/}"
    done
  done
}
headers_version() { dpkg-query -W -f='${Version} ' libcli11-dev nlohmann-json3-dev | sed 's/ $//; s/ /+/'; }

# The CPU seconds that this script's finished children have used so far
# (user and system): the measure of a build that does not depend on how busy
# the machine is.
cpu_now=0
child_cpu() { # sets cpu_now; "times" runs in this shell, not in a subshell that has no children
  times >"$logs/.times"
  cpu_now=$(awk 'NR == 2 {
    n = 0
    for (i = 1; i <= 2; i++) { split($i, p, /[ms]/); n += p[1] * 60 + p[2] }
    printf "%d\n", n
  }' "$logs/.times")
}

# Builds library NAME from Debian source PACKAGE (none for the headers) unless
# its stamp is current; DEPS are the libraries it links.
library() {
  local name=$1 package=$2
  shift 2
  local fn=build_${name//[.-]/_} digest d
  digest=$({
    declare -f "$fn"
    printf '%s\n' "${cross_env[@]}"
    cat "$toolchain"
    for d in "$@"; do cat "$stamps/$d"; done
  } | sha1sum | cut -c1-12)
  if [ -f "$stamps/$name" ] && [ "$(awk '{ print $2 }' "$stamps/$name")" = "$digest" ]; then
    return 0
  fi
  local start=$SECONDS cpu log=$logs/$name.log
  child_cpu
  cpu=$cpu_now
  if [ "$package" = - ]; then version=$(headers_version); else fetch "$package"; fi
  say "building $name${version:+ $version} for Windows (log: $log)"
  # In a subshell of its own that stops at the first failing command (an
  # "if" around it would turn that off).
  local status=0
  set +e
  (
    set -e
    "$fn"
  ) >"$log" 2>&1
  status=$?
  set -e
  if [ $status -ne 0 ]; then
    say "building $name failed; the end of $log:"
    tail -n 30 "$log" >&2
    exit 1
  fi
  rm -rf "$work"
  echo "$version $digest" >"$stamps/$name"
  child_cpu
  say "built $name in $((SECONDS - start)) s (CPU $((cpu_now - cpu)) s)"
}

ensure_deb_src
mkdir -p "$prefix" "$logs" "$stamps"
deps_start=$SECONDS
child_cpu
deps_cpu=$cpu_now
library zlib zlib
library libpng1.6 libpng1.6 zlib
library libjpeg-turbo libjpeg-turbo
library libsdl2 libsdl2
library libsdl2-mixer libsdl2-mixer libsdl2
library libsdl2-image libsdl2-image libsdl2
library libopenmpt libopenmpt zlib
library x264 x264
library libvpx libvpx
library opus opus
library ffmpeg ffmpeg x264 libvpx opus
library headers -
child_cpu
say "libraries for Windows in $prefix ($((SECONDS - deps_start)) s, CPU $((cpu_now - deps_cpu)) s)"

# --- The program and its zip -----------------------------------------------
build=${TAMARACK_WINDOWS_BUILD:-$root/build-windows}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
start=$SECONDS
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTAMARACK_WINDOWS_DEPS="$prefix" \
  -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >"$logs/tamarack.configure.log" 2>&1 || {
  say "configuring the Windows build failed; the end of $logs/tamarack.configure.log:"
  tail -n 30 "$logs/tamarack.configure.log" >&2
  exit 1
}
cmake --build "$build" -j"$jobs" --target tamarack
say "built $build/tamarack.exe in $((SECONDS - start)) s"

# The DLLs the program loads that are not Windows' own: those it names and
# those they name in turn, found in the prefix or the cross compiler's folders.
version=$(sed -n 's/^project(tamarack VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name=tamarack-$version-windows-x64
stage=$build/zip/$name
rm -rf "$build/zip"
mkdir -p "$stage"
cp "$build/tamarack.exe" "$stage/"
$host-strip --strip-unneeded "$stage/tamarack.exe"
dll_dirs=("$prefix/bin" "$(dirname "$($cxx -print-file-name=libstdc++-6.dll)")" /usr/$host/lib)
needed() { $host-objdump -p "$1" | awk '/DLL Name:/ { print $3 }'; }
queue=("$stage/tamarack.exe")
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  for dll in $(needed "$file"); do
    [ -f "$stage/$dll" ] && continue
    for d in "${dll_dirs[@]}"; do
      found=$(find "$d" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null)
      if [ -n "$found" ]; then
        cp "$found" "$stage/$dll"
        $host-strip --strip-unneeded "$stage/$dll"
        queue+=("$stage/$dll")
        break
      fi
    done # not found: one of Windows' own (kernel32, opengl32, ...)
  done
done
cp -r "$root/data" "$stage/data"
cp "$root/README.md" "$stage/README.md"
# Windows' editors want CRLF line ends in a text file that is opened by hand.
sed 's/$/\r/' "$root/packaging/windows/WINDOWS.txt" >"$stage/WINDOWS.txt"
zip=$build/$name.zip
rm -f "$zip"
(cd "$build/zip" && zip -q -r -X "$zip" "$name")
say "wrote $zip ($(du -k "$zip" | cut -f1) KiB: tamarack.exe and $(find "$stage" -maxdepth 1 -name '*.dll' | wc -l) DLLs)"
