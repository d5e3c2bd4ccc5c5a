#!/usr/bin/env bash
# Installs what is missing, builds Loamrun, generates its game data and
# starts it on that data. Arguments are passed on to the game.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build loamrun lr-gamedata
rm -rf build/gamedata
./build/lr-gamedata build/gamedata
LR_HOME="$PWD/build/gamedata" exec ./build/loamrun "$@"
