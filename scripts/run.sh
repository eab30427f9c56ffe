#!/usr/bin/env bash
# Builds everything and starts Larch Notes, installing what is missing.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build_all
app="$BUILD_DIR/src/app/larch-notes"
if [ ! -x "$app" ]; then
    echo "The application target does not exist yet; everything else is built in $BUILD_DIR."
    exit 0
fi
exec "$app" "$@"
