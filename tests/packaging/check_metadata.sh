#!/usr/bin/env bash
# The launcher entry and the software-centre entry pass their validators with nothing to say and
# name the licence, and the man page renders, names every option that --help lists and its
# licence.
#   check_metadata.sh DESKTOP_FILE METAINFO_FILE MAN_PAGE PROGRAM
set -uo pipefail
desktop=$1 metainfo=$2 man_page=$3 program=$4
failed=0
fail() { echo "FAIL: $*"; failed=1; }

if ! said=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$said" ]; then
  fail "desktop-file-validate $desktop: $said"
fi
if ! said=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1); then
  fail "appstreamcli validate $metainfo: $said"
fi
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" ||
  fail "$metainfo names no project licence"

page=$(MANWIDTH=200 man -l "$man_page" 2>&1) || fail "man -l $man_page: $page"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES COPYRIGHT; do
  grep -q "^$section\$" <<<"$page" || fail "the man page has no $section section"
done
options=$("$program" --help | grep -oE '^ {2}--[a-z-]+' | tr -d ' ')
[ -n "$options" ] || fail "$program --help lists no options"
grep -q "GPL-3.0-or-later" <<<"$page" || fail "the man page names no licence"
for option in $options; do
  grep -qE "^ +$option\b" <<<"$page" || fail "the man page does not describe $option"
done
exit $failed
