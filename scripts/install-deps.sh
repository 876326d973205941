#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing, so a prepared machine starts at once.
#   scripts/install-deps.sh            the programs' packages + the tests'
#   scripts/install-deps.sh --minimal  what builds and runs the programs only
#   scripts/install-deps.sh --windows  the Windows cross build and Wine
set -euo pipefail

# quillmax, qmx-pptx and make-sample-deck: toolchain, libraries, the window's
# translations and font.
build_pkgs=(build-essential cmake pkg-config
            libzip-dev libpugixml-dev libvips-dev libjpeg62-turbo-dev libemf2svg-dev librsvg2-dev libwmf-dev
            qt6-base-dev qt6-translations-l10n fonts-noto-cjk)
# The suite and the developer's rebuilds: GoogleTest, LibreOffice and
# poppler for the end-to-end checks, a display for the window tests, real
# wallpaper photos for the speed benchmarks' decks.
test_pkgs=(libgtest-dev libgmock-dev zip ccache
           xvfb xauth desktop-file-utils poppler-utils libreoffice-impress libreoffice-core fonts-dejavu-core
           mate-backgrounds)
# The movie encoder, run as a child process; LibreOffice's metafile renderer
# (EMF/EMF+/WMF with text), driven headless through its Python UNO bridge;
# the fonts libwmf reads every WMF with (without them it reads none).
run_pkgs=(ffmpeg libreoffice-draw python3-uno fonts-urw-base35)
# Posix threads flavour: std::thread needs it. locales: the Japanese code
# page test runs Wine under ja_JP.UTF-8.
windows_pkgs=(cmake g++-mingw-w64-x86-64-posix wine wine64 locales)

case "${1:-}" in
    --minimal) pkgs=("${build_pkgs[@]}" "${run_pkgs[@]}") ;;
    --windows) pkgs=("${windows_pkgs[@]}") ;;
    *)         pkgs=("${build_pkgs[@]}" "${run_pkgs[@]}" "${test_pkgs[@]}") ;;
esac

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
