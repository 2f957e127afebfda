#!/usr/bin/env bash
# Builds the Debian package (build/qbook2_<version>_<arch>.deb) from the build
# with cpack, and checks what it holds: both programs under /usr/bin answering
# --version without a display, the menu entry, the icon, the man pages, the
# office server's set-up and the dependencies on Qt 6, the Firebird client and
# a Japanese font.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QBOOK_BUILD_DIR:-$root/build}"
cd "$build"
rm -f qbook2_*.deb
cpack -G DEB >/dev/null
deb="$(ls qbook2_*.deb)"
fail() { echo "$deb: $*" >&2; exit 1; }

listing="$(dpkg-deb -c "$deb")"
for file in /usr/bin/qbook2 /usr/bin/qbook2-admin /usr/share/applications/qbook2.desktop \
  /usr/share/icons/hicolor/scalable/apps/qbook2.svg /usr/share/man/man1/qbook2.1.gz \
  /usr/share/man/man1/qbook2-admin.1.gz /usr/share/qbook2/setup-office-server.sh; do
  grep -q " \.$file\$" <<<"$listing" || fail "no $file"
done
depends="$(dpkg-deb -f "$deb" Depends)"
for package in libqt6widgets6 libfbclient2 fonts-noto-cjk; do
  grep -q "$package" <<<"$depends" || fail "does not depend on $package"
done

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
for program in qbook2 qbook2-admin; do
  version="$(env -u DISPLAY "$unpacked/usr/bin/$program" --version)" || fail "$program --version"
  [[ $version == "$program "* ]] || fail "$program --version printed: $version"
done
echo "built $build/$deb"
