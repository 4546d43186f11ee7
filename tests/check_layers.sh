#!/usr/bin/env bash
# Includes point down the layers only. Reads every #include "folder/..." under the source root
# given (default: src next to this script) and names each file and line whose folder includes a
# folder above its own. Exit status 1 when there is one.
root="${1:-$(dirname "$0")/../src}"
# Bottom to top; ui/qt and app may include every engine layer.
layers=(core numeric spectrum model calib marking fit report state ui ui/qt app)

rank() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}

status=0
while IFS= read -r hit; do
  file="${hit%%:*}"
  rest="${hit#*:}"
  line="${rest%%:*}"
  target=$(sed -E 's/.*#include "([a-z_]+)\/([a-z_]+\/)?.*/\1\/\2/' <<<"$rest")
  relative="${file#"$root"/}"
  own=$(dirname "$relative")
  # A header of ui/qt is "ui/qt/..."; any other folder is its first name.
  [ "$target" = "ui/qt/" ] && target=ui/qt || target="${target%%/*}"
  own_rank=$(rank "$own")
  target_rank=$(rank "$target")
  if [ "$own_rank" -lt 0 ]; then
    echo "$relative:$line: the folder $own is not one of the layers (${layers[*]})"
    status=1
  elif [ "$target_rank" -lt 0 ]; then
    echo "$relative:$line: includes $target/, which is not one of the layers"
    status=1
  elif [ "$target_rank" -gt "$own_rank" ] && ! { [ "$own" = app ] && [ "$target" = ui/qt ]; }; then
    echo "$relative:$line: $own/ includes $target/, a layer above it"
    status=1
  fi
done < <(grep -rnE '^\s*#\s*include "[a-z_]+/' "$root" --include='*.h' --include='*.cpp')
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
