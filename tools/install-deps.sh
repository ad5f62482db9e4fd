#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the game need; updates the package lists
# only when something is missing.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev libglew-dev libglu1-mesa-dev
    libgl-dev libssl-dev libgl1-mesa-dri xvfb xauth fonts-liberation gstreamer1.0-plugins-base
    gstreamer1.0-plugins-good sox lame libqt6sql6-sqlite libqt6sql6-psql postgresql qt6-charts-dev qt6-svg-dev
    python3 dpkg-dev desktop-file-utils appstream groff-base xdotool curl openssl ca-certificates libpq-dev pkgconf)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
