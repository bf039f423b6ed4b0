#!/usr/bin/env bash
# Installs everything ZOTE needs on a fresh Debian 12 machine (as root) and
# builds the third-party libraries for i686 mingw into a versioned cache.
# A second run only checks and returns in seconds.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${ZOTE_DEPS:-/opt/zote-deps}

JPEG_VER=2.1.5
PNG_VER=1.6.39
TIFF_VER=4.5.0
GTEST_VER=1.12.1
ARCHIVE_VER=3.6.2
key="jpeg-$JPEG_VER.png-$PNG_VER.tiff-$TIFF_VER.gtest-$GTEST_VER.archive-$ARCHIVE_VER.v4"
prefix="$cache/$key"
# The prefix this checkout's libraries live in (several checkouts may share
# the cache with different keys, so "current" only tells the last one set up).
if [ "${1:-}" = "--print-prefix" ]; then echo "$prefix"; exit 0; fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

pkgs="mingw-w64 g++-mingw-w64-i686-posix binutils-mingw-w64-i686 cmake make ninja-build
      wine wine32:i386 wine64 xvfb xauth x11-utils xdotool locales fonts-ipafont-gothic imagemagick
      libz-mingw-w64-dev nasm libc-bin xz-utils bzip2 ca-certificates
      zip unzip tar gzip jlha-utils lhasa gcab cabextract python3 ghostscript"

need_apt=0
# The archive tools make and check the archiver tests' archives on the Linux side;
# ghostscript renders what the test printer wrote, as paper would show it.
for p in i686-w64-mingw32-g++-posix nasm wine xvfb-run cmake ninja import xwininfo xdotool \
         zip unzip jlha lhasa gcab cabextract python3 gs; do
  command -v "$p" >/dev/null 2>&1 || need_apt=1
done
[ -f /usr/i686-w64-mingw32/lib/libz.a ] || need_apt=1
[ -d /usr/lib/i386-linux-gnu/wine ] || need_apt=1
if [ "$need_apt" = 1 ]; then
  echo "setup: installing packages"
  $SUDO dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends $pkgs >/dev/null
fi

# A real ja_JP.UTF-8 locale: without it Wine garbles every Japanese file name.
locdir="$cache/locale"
if [ ! -f "$locdir/ja_JP.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$locdir"
  localedef -i ja_JP -f UTF-8 "$locdir/ja_JP.UTF-8" 2>/dev/null || true
fi

if [ -f "$prefix/.done" ]; then
  echo "$prefix" > "$cache/current"
  echo "setup: libraries cached in $prefix"
  exit 0
fi

echo "setup: building libraries into $prefix"
src=$(mktemp -d)
trap 'rm -rf "$src"' EXIT
if ! grep -rqs 'deb-src' /etc/apt/sources.list.d/ ; then
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed 's/^Types: deb$/Types: deb-src/' "$f" | $SUDO tee "/etc/apt/sources.list.d/zote-src-$(basename "$f")" >/dev/null
  done
  $SUDO apt-get update -qq
fi
cd "$src"
# Only the upstream tarball is used; take the first source version the mirror still serves.
fetch_source() { # package
  local v
  for v in $(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -rV); do
    apt-get source --download-only -qq "$1=$v" >/dev/null 2>&1 && return 0
  done
  echo "setup: could not fetch the source of $1"; exit 1
}
fetch_source libjpeg-turbo
fetch_source libpng1.6
fetch_source tiff
fetch_source googletest
fetch_source libarchive
unpack() { # name-pattern version
  local tb; tb=$(ls "$1"_"$2"*.orig.tar.* | head -1)
  [ -n "$tb" ] || { echo "setup: no source for $1 $2"; exit 1; }
  mkdir -p "$1" && tar -xf "$tb" -C "$1" --strip-components=1
}
unpack libjpeg-turbo "$JPEG_VER"
unpack libpng1.6 "$PNG_VER"
unpack tiff "$TIFF_VER"
unpack googletest "$GTEST_VER"
unpack libarchive "$ARCHIVE_VER"

tc="$here/cmake/mingw-i686.cmake"
common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_POLICY_DEFAULT_CMP0074=NEW)
build() { # dir args...
  local d=$1; shift
  cmake -S "$d" -B "$d/_b" "${common[@]}" "$@" >/dev/null
  cmake --build "$d/_b" -j"${ZOTE_JOBS:-$(nproc)}" >/dev/null
  cmake --install "$d/_b" >/dev/null
}
build libjpeg-turbo -DWITH_JPEG8=1 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 -DWITH_SIMD=1 -DREQUIRE_SIMD=1
build libpng1.6 -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DZLIB_ROOT=/usr/i686-w64-mingw32
build tiff -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
  -Djpeg=ON -Dold-jpeg=ON -DJPEG_INCLUDE_DIR="$prefix/include" -DJPEG_LIBRARY="$prefix/lib/libjpeg.a" -Djbig=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlerc=OFF -Dlibdeflate=OFF -Dpixarlog=ON -Dzlib=ON \
  -DZLIB_ROOT=/usr/i686-w64-mingw32
build googletest -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF -DCMAKE_CXX_STANDARD=17
# libarchive for the stand-in archiver DLLs: zip (with traditional PKWARE
# encryption, which needs no crypto library), lha, cab, tar and gzip through
# zlib. Left out: bzip2, xz/lzma, zstd, lz4, lzo, b2, the crypto libraries
# (so no AES zip), iconv (names go through Windows code pages), xml (xar),
# pcre, acl/xattr, and the bsdtar/bsdcpio/bsdcat programs.
build libarchive -DENABLE_ZLIB=ON -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a -DENABLE_BZip2=OFF -DENABLE_LZMA=OFF \
  -DENABLE_ZSTD=OFF -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_LIBB2=OFF -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF \
  -DENABLE_NETTLE=OFF -DENABLE_CNG=OFF -DENABLE_ICONV=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF \
  -DENABLE_PCREPOSIX=OFF -DENABLE_LIBGCC=OFF -DPOSIX_REGEX_LIB=NONE -DENABLE_ACL=OFF -DENABLE_XATTR=OFF -DENABLE_TAR=OFF \
  -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_TEST=OFF -DENABLE_WERROR=OFF -DENABLE_INSTALL=ON
touch "$prefix/.done"
echo "$prefix" > "$cache/current"
echo "setup: libraries ready in $prefix"
