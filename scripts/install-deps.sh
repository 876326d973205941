#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing, so a prepared machine starts at once.
#   scripts/install-deps.sh            build + test packages
#   scripts/install-deps.sh --minimal  build packages only
set -euo pipefail

build_pkgs=(build-essential cmake pkg-config libgtest-dev libgmock-dev
            libzip-dev libpugixml-dev libvips-dev libemf2svg-dev librsvg2-dev libwmf-dev
            qt6-base-dev qt6-translations-l10n fonts-noto-cjk zip ccache)
test_pkgs=(xvfb xauth desktop-file-utils poppler-utils libreoffice-impress libreoffice-core fonts-dejavu-core)

pkgs=("${build_pkgs[@]}")
if [[ "${1:-}" != "--minimal" ]]; then pkgs+=("${test_pkgs[@]}"); fi

missing=()
for p in "${pkgs[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then exit 0; fi

echo "installing: ${missing[*]}"
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
