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
# The article list is also shown on a generated vault (a thousand articles, to stay quick).
"$BUILD_DIR/bench/larch-bench-generate" "$home/generated" --articles 1000 >/dev/null
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" \
    QT_QPA_PLATFORM=offscreen QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu" \
    "$BUILD_DIR/src/app/larch-screenshots" "$out" \
    --generated-vault "$home/generated"
echo "Screenshots in $out"
