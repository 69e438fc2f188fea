#!/usr/bin/env bash
# The main job: build everything, pack the example project into an installer, run it under
# Wine on a virtual display and show what it extracted.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
bash scripts/install-deps.sh

OUT=$ROOT/build/demo
mkdir -p "$OUT"
INSTALLER=$OUT/sample-planner-setup.exe
bash scripts/build-example.sh sample-planner "$INSTALLER"
echo "== the project, as the engine will load it"
build/host/bin/tarnwick-pack check examples/sample-planner/project.ini \
  --entries examples/sample-planner/entries
echo "== the installer"
ls -l "$INSTALLER"
build/host/bin/tarnwick-pack list "$INSTALLER"

PREFIX_DIR=$ROOT/build/win32/e2e/prefix  # the tests' prefix: made once, shared
RUN=$OUT/run
SCREEN_W=1024
SCREEN_H=768
rm -rf "$RUN" && mkdir -p "$RUN"
# shellcheck source=tests/e2e/wine_env.sh
. "$ROOT/tests/e2e/wine_env.sh"
wine_env_start

temp_win=$(wine build/win32/bin/wine_driver.exe temppath | tr -d '\r')
temp_win=${temp_win#[Cc]:\\}
TEMP_DIR=$PREFIX_DIR/drive_c/${temp_win//\\//}
# The prefix is the project's own: clear what earlier runs extracted.
mkdir -p "$TEMP_DIR"
find "$TEMP_DIR" -mindepth 1 -maxdepth 1 -iname 'bks*' -exec rm -rf {} +
echo "== running the installer under Wine (display $DISPLAY)"
(cd "$RUN" && exec wine "$INSTALLER" >"$RUN/wine.log" 2>&1) &
launcher_pid=$!
new_dir() { find "$TEMP_DIR" -mindepth 1 -maxdepth 1 -iname 'bks*' | head -n1; }
if ! wait_until 60 eval '[ -n "$(new_dir)" ] && [ -f "$(new_dir)/standin.txt" ]'; then
  echo "the installer did not start its engine within 60 s" >&2
  exit 1
fi
xwd -root -display "$DISPLAY" -silent | convert xwd:- "$OUT/screen.png"
wait "$launcher_pid"
dir=$(new_dir)
echo "== extracted into $dir"
ls -l --time-style=+%F\ %T "$dir"
echo "== what the stand-in engine recorded"
tr -d '\r' <"$dir/standin.txt"
echo "== screenshot: $OUT/screen.png"
