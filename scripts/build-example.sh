#!/usr/bin/env bash
# Builds an example project into an installer:
#   scripts/build-example.sh NAME [OUT]
# NAME is a folder of examples/ (sample-planner, planner-suite); OUT defaults to
# build/examples/NAME-setup.exe. Until the installation engine exists, the test stand-in
# takes its place as entry 0.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
if [ $# -lt 1 ] || [ ! -f "examples/${1:-}/project.ini" ]; then
  echo "usage: $0 NAME [OUT]   (NAME: $(cd examples && ls -d */ | tr -d / | tr '\n' ' '))" >&2
  exit 2
fi
NAME=$1
OUT=${2:-$ROOT/build/examples/$NAME-setup.exe}
bash scripts/install-deps.sh
for preset in host win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done
mkdir -p "$(dirname "$OUT")"
build/host/bin/tarnwick-pack build --launcher build/win32/bin/launcher.exe \
  --engine build/win32/bin/standin.exe --project "examples/$NAME/project.ini" \
  --entries "examples/$NAME/entries" -o "$OUT"
