#!/usr/bin/env bash
# Fails when an include crosses the layers: Qt in a logic folder (only qt/ and remote/ may use
# it), the platform or the app in heading/, anything above the station in station/, or a
# screen's header in a platform, remote/ or heading/ (the alarm threshold's own header is no
# screen's).
set -u
root=${1:-.}
cd "$root" || exit 2
include='^\s*#\s*include\s*[<"]'
status=0

check() {
  local title=$1 hits=$2
  if [ -n "$hits" ]; then
    echo "$title"
    echo "$hits"
    status=1
  fi
}

check "Qt headers included outside qt/ and remote/:" "$(grep -rnE "$include(Q[A-Za-z]+|Qt[A-Za-z]*/)" \
  app fieldmeter graph compass heading instrument platform headless publish station tests/logic \
  tests/alloc \
  --include='*.h' --include='*.cpp' 2>/dev/null)"

check "heading/ includes a layer above it:" "$(grep -rnE "$include(platform|headless|qt|remote|app|fieldmeter|graph|compass|instrument|station|publish)/" \
  heading --include='*.h' --include='*.cpp' 2>/dev/null)"

check "station/ includes a layer above it:" "$(grep -rnE "$include(platform|headless|qt|remote|app|fieldmeter|graph|compass|publish)/" \
  station --include='*.h' --include='*.cpp' 2>/dev/null)"

check "a screen's header included below the screens:" "$(grep -rnE "$include(fieldmeter|compass)/" \
  platform headless qt remote --include='*.h' --include='*.cpp' 2>/dev/null |
  grep -v '"fieldmeter/Threshold\.h"')"

[ "$status" -eq 0 ] && echo "the layers include only what lies below them"
exit "$status"
