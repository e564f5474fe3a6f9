#!/usr/bin/env bash
# Installs what Norvik needs on Debian 12, skipping what is already there. With arguments, installs
# those packages instead (scripts/build-windows.sh names the Windows tool chain this way).
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config python3 qt6-base-dev libgl-dev libgtest-dev
          libgmock-dev libcli11-dev libgcrypt20-dev zlib1g-dev fonts-noto-cjk qt6-translations-l10n xvfb xauth util-linux clang-format clang-tidy)
if (($#)); then packages=("$@"); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
