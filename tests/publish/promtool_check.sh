#!/usr/bin/env bash
# promtool (Debian: prometheus) checks /metrics for a meter that has seen everything and for one
# that has seen nothing yet: the format and its lint rules.
set -u
example=$1
if ! command -v promtool >/dev/null; then
  echo "skipped: promtool is not installed (Debian: prometheus)"
  exit 77
fi
status=0
for which in full empty; do
  out=$("$example" "$which" | promtool check metrics 2>&1)
  if [ $? -ne 0 ] || [ -n "$out" ]; then
    echo "promtool on the $which metrics:"
    echo "$out"
    status=1
  fi
done
[ $status -eq 0 ] && echo "promtool finds nothing to say of either"
exit $status
