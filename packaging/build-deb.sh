#!/usr/bin/env bash
# Builds the Debian package from this tree: a Release build installed into a staging folder,
# the binaries' library dependencies found by dpkg-shlibdeps plus what Glimpo loads at run time,
# then dpkg-deb and lintian. Usage: packaging/build-deb.sh [build-dir]  -> glimpo_VERSION_ARCH.deb
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build-deb"}
version=$(sed -n 's/^project(Glimpo VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
arch=$(dpkg --print-architecture)
stage="$build/stage"
rm -rf "$stage"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DGLIMPO_BUILD_TESTS=OFF -DGLIMPO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build"
DESTDIR="$stage" cmake --install "$build" >/dev/null

# What Debian asks of every package: stripped binaries, compressed manual, copyright, changelog.
find "$stage" -type f \( -name 'glimpo*' -o -name '*.so' \) -exec sh -c 'file -b "$1" | grep -q ELF' _ {} \; \
    -exec strip --strip-unneeded --remove-section=.comment --remove-section=.note {} \;
gzip -9n "$stage/usr/share/man/man1/glimpo.1"
doc="$stage/usr/share/doc/glimpo"
install -d "$doc"
install -m 644 "$here/packaging/copyright" "$doc/copyright"
printf 'glimpo (%s) unstable; urgency=medium\n\n  * Release %s.\n\n -- The Glimpo developers <developers@glimpo.org>  %s\n' \
    "$version" "$version" "$(date -R -d @"${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct 2>/dev/null || date +%s)}")" \
    | gzip -9n > "$doc/changelog.gz"
find "$stage" -type d -exec chmod 755 {} +
find "$stage/usr/share" -type f -exec chmod 644 {} +

# dpkg-shlibdeps wants a debian/control beside it.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/debian"
printf 'Source: glimpo\n\nPackage: glimpo\nArchitecture: any\n' > "$scratch/debian/control"
binaries=$(find "$stage" -type f -exec sh -c 'file -b "$1" | grep -q ELF' _ {} \; -print)
shlibs=$(cd "$scratch" && dpkg-shlibdeps -O -l"$stage/usr/lib/glimpo" $binaries 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
# Loaded at run time, so no library link names them: Qt's SVG plugins, the
# recogniser's languages, the sound theme and libcanberra's sound-server driver. (The X11
# platform plugin is in libqt6gui6.)
runtime="libqt6svg6, tesseract-ocr-eng, tesseract-ocr-ita, sound-theme-freedesktop, libcanberra-pulse"
size=$(du -sk "$stage/usr" | cut -f1)
mkdir -p "$stage/DEBIAN"
cat > "$stage/DEBIAN/control" <<CONTROL
Package: glimpo
Version: $version
Architecture: $arch
Maintainer: The Glimpo developers <developers@glimpo.org>
Installed-Size: $size
Depends: $shlibs, $runtime
Recommends: qt6-translations-l10n
Section: graphics
Priority: optional
Homepage: https://glimpo.org/
Description: capture, record and read the screen from the system tray
 Glimpo lives in the system tray and answers global shortcuts: capture a
 dragged area, one window or the whole display under the pointer, record the
 screen with the microphone and the system's sound, or drag over some text to
 have it read on the computer and put on the clipboard. Each picture shows as
 a floating thumbnail from which it is saved, copied, revealed, dragged out or
 discarded.
CONTROL
deb="$here/glimpo_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "built $deb"
if command -v lintian >/dev/null; then lintian --profile debian "$deb" || true; fi
