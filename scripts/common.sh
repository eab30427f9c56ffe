# Shared by run.sh and test.sh: install what is missing, then configure and build.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${LARCH_BUILD_DIR:-$ROOT/build}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=()
    while read -r pkg; do
        case "$pkg" in '' | '#'*) continue ;; esac
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done <"$ROOT/scripts/packages.txt"
    # npm may come from elsewhere (a Node.js install outside the distribution); that is enough.
    if command -v node >/dev/null && command -v npm >/dev/null; then
        local kept=()
        for pkg in "${missing[@]}"; do
            case "$pkg" in nodejs | npm) ;; *) kept+=("$pkg") ;; esac
        done
        missing=("${kept[@]+"${kept[@]}"}")
    fi
    if [ ${#missing[@]} -gt 0 ]; then
        echo "== Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

install_page_packages() {
    local page="$ROOT/editor-page"
    [ -f "$page/package-lock.json" ] || return 0
    local stamp="$page/node_modules/.larch-installed"
    if [ ! -f "$stamp" ] || [ "$page/package-lock.json" -nt "$stamp" ]; then
        echo "== Installing the editor page's npm packages"
        (cd "$page" && npm ci --no-audit --no-fund)
        touch "$stamp"
    fi
}

build_all() {
    install_packages
    install_page_packages
    if [ ! -f "$BUILD_DIR/build.ninja" ]; then
        cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}
