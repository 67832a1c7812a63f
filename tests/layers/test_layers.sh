#!/usr/bin/env bash
# The layer check on a small generated tree: the includes it must accept and
# the ones it must refuse, each refusal naming the offending file and line.
#   test_layers.sh CHECK_SCRIPT
set -uo pipefail
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
layers=(common catalog browse organize ribbon mainwindow:ui app:ui)
passed=0
failed=0

put() {  # put FILE LINE...
  mkdir -p "$(dirname "$tree/$1")"
  printf '%s\n' "${@:2}" >"$tree/$1"
}
expect() {  # expect NAME ok|refused [FILE:LINE]
  local out rc
  out=$(bash "$check" "$tree" "${layers[@]}" 2>&1)
  rc=$?
  if [[ $2 == ok && $rc -eq 0 ]] || [[ $2 == refused && $rc -eq 1 && $out == *"$tree/$3:"* ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $1 (exit $rc)"
    echo "$out"
  fi
  rm -rf "${tree:?}"/*
}

put catalog/a.cpp '#include "common/x.h"' '#include "catalog/b.h"' '#include <QString>' '#include "glimr_plugin.h"'
expect "own and lower layers" ok
put ribbon/ui/view.cpp '#include "browse/ui/list.h"' '#include "ribbon/model.h"'
expect "a page uses lower pages and its own logic" ok
put mainwindow/w.cpp '#include "ribbon/ui/view.h"'
expect "the main window hosts pages" ok
put catalog/a.cpp '#include "common/x.h"' '  #include "browse/list.h"'
expect "a higher layer" refused catalog/a.cpp:2
put browse/b.h '#include "ribbon/ribbon.h"'
expect "a header too" refused browse/b.h:1
put ribbon/model.cpp '#include "browse/ui/list.h"'
expect "logic that includes widgets" refused ribbon/model.cpp:1
put ribbon/cache/c.cpp '#include "app/x.h"'
expect "a subfolder belongs to its layer" refused ribbon/cache/c.cpp:1
put mainwindow/w.cpp '#include "organize/ui/organizecommands.h"' '#include "browse/shownlist.h"'
put app/a.cpp '#include "organize/fileinfo.h"'
expect "the window hosts a feature's commands, the program wires its logic" ok
put mainwindow/w.cpp '#include "browse/shownlist.h"' '#include "organize/fileinfo.h"'
expect "the window includes a feature's logic" refused mainwindow/w.cpp:2

# Only the program builds the long-lived services; the main window and the
# pages get references to them.
put mainwindow/w.h '#include "catalog/catalogqueries.h"' 'class TCash;' 'TCash& cash_;' \
  'TBoardList* board_ = nullptr;' 'std::unique_ptr<TDesktopApps> apps_;' \
  'TCashRibbonModel model_;' '// a TBoardList board_ was kept here; new TCash' \
  'TExternalProgs& Programs() const { return progs_; }' 'void Attach(TCatalogQueries& queries);'
expect "the window takes services by reference" ok
put app/a.cpp 'clipboard_ = std::make_unique<TClipboardList>();' 'TBoardList board;'
put catalog/q.cpp 'TdmVesk dm(folder, lock);' 'TCatalogQueries queries(dm);'
put ribbon/demo/main.cpp 'glimr::TCash cash(locks, maker, 64);'
expect "the program, logic and demos build services" ok
refusals=(
  "mainwindow/w.h|  TClipboardList clipboard_;"
  "mainwindow/w.cpp|    : board_(std::make_unique<TBoardList>()) {"
  "mainwindow/w.cpp|  apps_ = std::make_shared< glimr::TDesktopApps >();"
  "ribbon/ui/view.cpp|  auto* cash = new glimr::TCash(locks, maker, 64);"
  "browse/ui/list.cpp|  TCatalogQueries queries(dm);"
  "browse/ui/list.cpp|  static const TExternalProgs progs{};"
  "ribbon/ui/view.h|  TLoaderControl loader_, *other_;"
  "mainwindow/w.cpp|  TFolderLoader loader = MakeLoader(queries);"
  "mainwindow/w.h|  TShownList shown_;"
)
for refusal in "${refusals[@]}"; do
  put "${refusal%%|*}" '#include "common/x.h"' "${refusal#*|}"
  expect "builds a service: ${refusal#*|}" refused "${refusal%%|*}:2"
done

echo "$passed passed, $failed failed"
((failed == 0))
