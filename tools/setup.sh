#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, or the packages named
# as arguments (only what is missing).
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev qt6-webengine-dev qt6-tools-dev qt6-tools-dev-tools
          libgl-dev libjpeg62-turbo-dev googletest libgtest-dev libbenchmark-dev fonts-dejavu-core
          xvfb xauth openbox)
# Other scripts name their own packages.
[ $# -gt 0 ] && packages=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
