#!/usr/bin/env bash
# desktop_install_test.sh BUILD_DIR APP_ID: installs the build into a
# temporary prefix and checks that the program's menu entry, icons, file
# type and AppStream metadata land where the XDG standards say, and that the
# desktop's own validators accept them.
set -euo pipefail
build=$1 id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
expect() {
  if [ ! -e "$prefix/$1" ]; then
    echo "missing after install: $1"
    status=1
  fi
}
expect bin/ledgerfen
expect "share/applications/$id.desktop"
expect "share/metainfo/$id.metainfo.xml"
expect "share/mime/packages/$id.xml"
expect "share/icons/hicolor/scalable/apps/$id.svg"
for size in 16 24 32 48 64 128 256; do
  expect "share/icons/hicolor/${size}x${size}/apps/$id.png"
done

desktop-file-validate "$prefix/share/applications/$id.desktop" || status=1
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || status=1
xmllint --noout "$prefix/share/mime/packages/$id.xml" || status=1
# Each PNG is as large as its folder says (width and height from its header).
for size in 16 24 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -e "$png" ] || continue
  dimensions=$(od -An -tu4 --endian=big -j16 -N8 "$png" | tr -s ' ' | sed 's/^ //')
  if [ "$dimensions" != "$size $size" ]; then
    echo "the ${size}x${size} icon is $dimensions"
    status=1
  fi
done
exit $status
