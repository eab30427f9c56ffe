#!/usr/bin/env bash
# Builds everything, then makes the Debian package in build/packages (installing what is missing).
# Install it with: sudo apt-get install ./build/packages/larch-notes_<version>_<arch>.deb
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build_all
cd "$BUILD_DIR"
cpack -G DEB
ls -1 "$BUILD_DIR"/packages/*.deb
