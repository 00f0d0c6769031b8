#!/usr/bin/env bash
# Start-up figure of the program: five starts on a data folder, offscreen, each quitting itself
# once initialised (archive loaded, full list generated, statistics table shown). Prints every
# run's wall time and peak resident memory, then the median time.
# usage: scripts/measure_startup.sh BUILD_DIR DATA_DIR
set -euo pipefail
build=${1:-build/release}
data=${2:-build/demo-data}
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
times=()
for i in 1 2 3 4 5; do
  report=$(mktemp)
  /usr/bin/time -o "$report" -f "%e %M" "$build/src/app/Kivra_5x45" --data-dir "$data" --quit-when-idle 2>/dev/null
  read -r secs kb <"$report"
  rm -f "$report"
  echo "run $i: ${secs} s, ${kb} KB resident"
  times+=("$secs")
done
printf '%s\n' "${times[@]}" | sort -n | sed -n 3p | xargs -I{} echo "median: {} s"
