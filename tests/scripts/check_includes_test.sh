#!/usr/bin/env bash
# scripts/check-includes on a small tree of its own: it passes the allowed includes and fails on
# each kind of offence, naming the offending file.
set -euo pipefail
check="$1"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
put() { mkdir -p "$tree/$(dirname "$1")"; printf '%s\n' "$2" > "$tree/$1"; }

put mod/a.h '#pragma once'
put mod/a_priv.h '#pragma once'
put mod/priv/b.h '#include "mod/a_priv.h"'
put mod/a.cpp '#include "mod/a.h"
#include "mod/a_priv.h"
#include "mod/priv/b.h"'
put tests/mod/a_test.cpp '#include "mod/a_priv.h"
#include "mod/priv/b.h"'
put other/c.cpp '#include "mod/a.h"'
"$check" "$tree" || { echo "allowed includes were refused"; exit 1; }

expect_refused() {
  put "$1" "$2"
  if out=$("$check" "$tree" 2>&1); then
    echo "not refused: $1 with $2"; exit 1
  fi
  grep -q "^$1: " <<<"$out" || { echo "the message does not name $1: $out"; exit 1; }
  rm "$tree/$1"
}
expect_refused other/d.cpp '#include "mod/a_priv.h"'
expect_refused mod/sub/e.cpp '#include "mod/priv/b.h"'
expect_refused tests/other/f_test.cpp '#include "mod/a_priv.h"'
expect_refused mod/g.cpp '#include "a.h"'

# Floors: down and across one floor pass, up and across programs fail.
put platform/p/p.h '#pragma once'
put common/c/c.h '#include "common/c/d.h"'
put common/c/d.h '#pragma once'
put main/gui/gui_widget_x.h '#pragma once'
put main/gui/wrapper/w.h '#include "platform/p/p.h"
#include "common/c/c.h"'
put main/gui/gui_widget_x.cpp '#include "main/gui/wrapper/w.h"
#include "main/gui/gui_widget_x.h"'
put main/playback/q.cpp '#include "main/source_in/s.h"'
put main/source_in/s.h '#include "main/gui/wrapper/w.h"'
put sileth/s.cpp '#include "common/c/c.h"
#include "platform/p/p.h"'
put tests/main/gui/t_test.cpp '#include "main/gui/gui_widget_x.h"
#include "sileth/s.cpp"'
"$check" "$tree" || { echo "includes down the floors were refused"; exit 1; }
expect_refused common/c/e.cpp '#include "platform/p/p.h"'
expect_refused main/gui/wrapper/v.cpp '#include "main/gui/gui_widget_x.h"'
expect_refused platform/p/r.cpp '#include "main/gui/wrapper/w.h"'
expect_refused pellant/m.cpp '#include "sileth/s.cpp"'
expect_refused sileth/u.cpp '#include "main/gui/wrapper/w.h"'
expect_refused torqen/bench/b.cpp '#include "tests/main/gui/t_test.cpp"'
expect_refused main/newmod/n.cpp '#pragma once'
echo "include rules hold"
