#!/usr/bin/env bash
# Builds everything and runs every test (C++ and editor page), installing what is missing.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build_all
cd "$BUILD_DIR"
ctest --output-on-failure --parallel "$(nproc)" "$@"
