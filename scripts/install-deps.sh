#!/usr/bin/env bash
# Installs what building and testing pieceviewer needs on Debian 12, and only
# what is missing. As root through apt-get, otherwise through sudo.
#   install-deps.sh          build and test tools
#   install-deps.sh --bench  also the benchmark peers (ImageMagick, nvcompress, hyperfine)
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev        # native build, sanitizers, libFuzzer
  clang-format                                   # the format check of the test command
  googletest libgtest-dev libbenchmark-dev       # unit tests (both builds), benchmarks
  mingw-w64                                      # the Windows build
  wine wine64 xvfb xauth x11-apps                # running the Windows build, screenshots
  fonts-ipafont-gothic locales                   # the Japanese code page and its font
  imagemagick                                    # turning screenshots into PNG files
  libcli11-dev nlohmann-json3-dev libstb-dev     # piecetool: arguments, JSON, PNG (header-only)
  zlib1g-dev libz-mingw-w64-dev                  # piecetool: PNG compression (native, Windows)
  libtinygltf-dev                                # piecetool import: the glTF parser (header-only)
  blender python3-numpy                          # the import's check against Blender's models, the add-on's tests
  python3-pyflakes                               # the check of the project's Python
  fonts-wine                                     # Marlett: the symbols of the window captions
  zip unzip dpkg-dev help2man lintian x11-utils  # the release packages, their manual pages and checks
  nodejs f3d                                     # checks of piecetool's glTF: validator (npm), a real viewer
  chromium                                       # the browser tests of piecetool site (driven by playwright-core from npm)
)
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(libnvtt-bin hyperfine)
fi

missing=()
for p in "${packages[@]}"; do
  [[ "$p" == \#* ]] && continue
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

as_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# npm comes with some builds of Node.js and as a package of its own in
# Debian's: install it only when the command is missing. The glTF validator
# itself is fetched from the npm registry into build/npm-tools by its test.
if ! command -v npm >/dev/null 2>&1; then
  echo "installing: npm"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends npm >/dev/null
fi

# <model-viewer>, which piecetool carries for the pages of `piecetool site`:
# its pinned release from the npm registry, checked against its integrity
# hash (the build fetches it too when it is missing).
"$(dirname "$0")/fetch-model-viewer.sh"

# The viewer is an ANSI program made for the Japanese code page: Wine takes
# the code page from the locale, so ja_JP.UTF-8 must exist.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  echo "generating the ja_JP.UTF-8 locale"
  as_root sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
