#!/usr/bin/env bash
# Builds everything, then renders each screen off-screen to PNG files (light and dark) in the
# folder given (default: build/screenshots), so the interface can be reviewed without a display.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build_all
out=$(realpath -m "${1:-$BUILD_DIR/screenshots}")
mkdir -p "$out"
# A throwaway home: rendering must not touch the user's preferences.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    QT_QPA_PLATFORM=offscreen QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu" "$BUILD_DIR/src/app/larch-screenshots" "$out"
echo "Screenshots in $out"
