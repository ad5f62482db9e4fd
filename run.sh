#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game in its working folder, which holds the data
# files and receives statistics and screenshots. Arguments are passed on to the game.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")" && pwd)"
cd "$source_dir"
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)" --target vazazo vazazo-server
work_dir="${VAZAZO_WORKDIR:-$HOME/Vazazo}"
mkdir -p "$work_dir"
# Data files are refreshed from the source tree; everything the game wrote stays.
if compgen -G "resources/*" >/dev/null; then
    cp -r resources/. "$work_dir/"
fi
echo "Vazazo working folder: $work_dir"
cd "$work_dir"
exec "$source_dir/build/vazazo" "$@"
