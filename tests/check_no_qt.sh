#!/usr/bin/env bash
# The engine's test programs must not load any Qt library: the engine stays toolkit-free.
status=0
for program in "$@"; do
  if ldd "$program" | grep -i 'libqt'; then
    echo "FAIL: $program loads Qt"
    status=1
  else
    echo "ok: $(basename "$program") loads no Qt library"
  fi
done
exit $status
