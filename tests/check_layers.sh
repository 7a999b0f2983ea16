#!/usr/bin/env bash
# Fails when a logic folder includes a Qt header: only qt/ (and remote/) may.
set -u
root=${1:-.}
cd "$root" || exit 2
hits=$(grep -rnE '^\s*#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/)' \
  app fieldmeter graph compass heading instrument platform headless tests/logic tests/alloc \
  --include='*.h' --include='*.cpp' 2>/dev/null)
if [ -n "$hits" ]; then
  echo "Qt headers included outside qt/:"
  echo "$hits"
  exit 1
fi
echo "logic folders are free of Qt"
