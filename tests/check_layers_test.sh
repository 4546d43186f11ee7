#!/usr/bin/env bash
# The layer check can fail: an include planted in a lower folder that points upward must be named
# by file and line, and a downward include must pass.
check="$(dirname "$0")/check_layers.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/core" "$tree/marking" "$tree/ui"
printf '#include "core/a.h"\n' >"$tree/marking/m.h"
printf '// upward\n#include "ui/graphs.h"\n' >"$tree/core/a.h"
printf '#include "marking/m.h"\n' >"$tree/ui/g.cpp"
output=$("$check" "$tree")
status=$?
echo "$output"
if [ $status -ne 1 ] || ! grep -q '^core/a.h:2: core/ includes ui/, a layer above it$' <<<"$output"; then
  echo "FAIL: the upward include in core/a.h was not named"
  exit 1
fi
if grep -q 'marking/m.h\|ui/g.cpp' <<<"$output"; then
  echo "FAIL: a downward include was named"
  exit 1
fi
rm "$tree/core/a.h"
"$check" "$tree" >/dev/null || { echo "FAIL: a tree without upward includes was refused"; exit 1; }
echo "ok: the planted upward include was named and the rest passed"
