#!/usr/bin/env bash
# Start-up and closing figures of the program: five starts on a data folder, offscreen, each
# quitting itself once initialised (archive loaded, full list generated, statistics table shown).
# Prints every run's wall time, peak resident memory and closing time (from the moment the window
# starts closing, which the program prints, to the end of the process), then the medians.
# usage: scripts/measure_startup.sh BUILD_DIR DATA_DIR
set -euo pipefail
build=${1:-build/release}
data=${2:-build/demo-data}
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
times=()
closings=()
for i in 1 2 3 4 5; do
  report=$(mktemp)
  errors=$(mktemp)
  /usr/bin/time -o "$report" -f "%e %M" "$build/src/app/Kivra_5x45" --data-dir "$data" --quit-when-idle 2>"$errors"
  ended=$(date +%s%3N)
  read -r secs kb <"$report"
  closing_at=$(sed -n 's/^quit-when-idle: closing at \([0-9]*\) ms$/\1/p' "$errors")
  rm -f "$report" "$errors"
  closing=$(( ended - closing_at ))
  echo "run $i: ${secs} s, ${kb} KB resident, closing ${closing} ms"
  times+=("$secs")
  closings+=("$closing")
done
printf '%s\n' "${times[@]}" | sort -n | sed -n 3p | xargs -I{} echo "median: {} s"
printf '%s\n' "${closings[@]}" | sort -n | sed -n 3p | xargs -I{} echo "median closing: {} ms"
