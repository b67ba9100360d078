#!/usr/bin/env bash
# Installs the Debian packages the build, the program, the install checks and the tests need
# (only what is missing).
set -euo pipefail
packages=(
  # build
  cmake ninja-build ccache g++ qt6-base-dev qt6-webengine-dev qt6-tools-dev qt6-tools-dev-tools
  libgl-dev libjpeg62-turbo-dev libxcb1-dev
  # run time: the shell's "open" action, a sans-serif face with Cyrillic, Qt's own texts in Bulgarian
  xdg-utils fonts-dejavu-core qt6-translations-l10n
  # install checks and the Debian package (validators, shared-library dependencies, manual pages)
  desktop-file-utils appstream dpkg-dev file man-db
  # tests and benchmarks, windows without a display
  googletest libgtest-dev libbenchmark-dev xvfb xauth openbox x11-utils
  # the format check and the static analysis (tools/lint.sh)
  clang-format clang-tidy
)
# Other scripts name their own packages.
[ $# -gt 0 ] && packages=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo_cmd=(sudo)
  else
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Installing them needs root, and sudo is not available. As root, run:" >&2
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    echo "then start this command again." >&2
    exit 1
  fi
fi
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
