#!/usr/bin/env bash
# Checks the #include lines of the source tree against the layer order:
#   check-layers.sh SRC_DIR LAYER...   (lowest layer first, e.g. common ... app:ui)
# A file under SRC_DIR/<layer>/ may include headers of its own layer and of
# the layers listed before it, never of a later one. A subsystem's logic
# (any folder but ui/ and demo/) includes no widgets header of any subsystem
# ("<x>/ui/..."), so it stays testable without a window; a layer named with
# ":ui" (the main window, the program) is widgets through and through.
# The long-lived services are built only by the program (app): a file of
# another ":ui" layer or under a ui/ folder that constructs one (make_unique,
# new) or holds one by value (a member or local of its type) is refused;
# references, pointers, forward declarations and includes stay allowed.
# The main window hosts the features' pages and commands: a file of a ":ui"
# layer other than app includes no logic header of a feature (organize,
# search, fileops, board, external), only its ui/ headers.
# Prints every offending line as FILE:LINE: reason and exits 1 when there is
# any.
set -euo pipefail
if [[ $# -lt 2 ]]; then
  echo "usage: $0 SRC_DIR LAYER..." >&2
  exit 2
fi
src=${1%/}
shift
declare -A rank=() widgets=()
i=0
for arg in "$@"; do
  layer=${arg%:ui}
  rank[$layer]=$i
  [[ $arg == *:ui ]] && widgets[$layer]=1
  i=$((i + 1))
done

# The services only the program builds.
services=(TCash TLoaderControl TFolderLoader TdmVesk TCatalogQueries TBoardList TClipboardList
          TDesktopApps TExternalProgs TShownList)
# The features whose logic the main window leaves to their commands.
features='organize|search|fileops|board|external'
names=$(IFS='|'; echo "${services[*]}")
scope='((::)?glimr::)?'
builds="make_(unique|shared)[[:space:]]*<[[:space:]]*$scope($names)[[:space:]]*>"
builds+="|(^|[^[:alnum:]_])new[[:space:]]+$scope($names)([^[:alnum:]_]|$)"
builds+="|(^|[;{(,[:space:]])$scope($names)[[:space:]]+[[:alpha:]_][[:alnum:]_]*[[:space:]]*[;,={([]"

status=0
while IFS= read -r -d '' file; do
  rel=${file#"$src"/}
  own=${rel%%/*}
  [[ -n ${rank[$own]+x} ]] || continue
  # The subsystem's own pages, windows and programs may use widgets.
  ui=0
  [[ /$rel =~ /(ui|demo)/ || -n ${widgets[$own]+x} ]] && ui=1
  while IFS=: read -r line target; do
    top=${target%%/*}
    [[ $target == */* && -n ${rank[$top]+x} ]] || continue
    if ((rank[$top] > rank[$own])); then
      echo "$file:$line: $own includes \"$target\" of the higher layer $top"
      status=1
    elif ((ui == 0)) && [[ /$target =~ /ui/ ]]; then
      echo "$file:$line: the logic of $own includes the widgets header \"$target\""
      status=1
    elif [[ -n ${widgets[$own]+x} && $own != app && $target =~ ^($features)/ &&
            ! $target =~ ^[^/]+/ui/ ]]; then
      echo "$file:$line: the window layer $own includes the logic header \"$target\"" \
        "of a feature; it hosts the feature's pages and commands"
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
             sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/')
  # Pages, windows and the main window take the services they are handed.
  [[ /$rel =~ /ui/ || (-n ${widgets[$own]+x} && $own != app) ]] || continue
  while IFS=: read -r line code; do
    [[ $code =~ $builds ]] || continue
    name=$(grep -oE "$names" <<<"${BASH_REMATCH[0]}" | head -n 1)
    echo "$file:$line: $own builds the service $name, which only the program (app) may"
    status=1
  done < <(sed -E -e 's://.*$::' -e 's:^[[:space:]]*/?\*.*$::' "$file" | grep -nE "$builds")
done < <(find "$src" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.c' \) -print0 | sort -z)

if ((status == 0)); then
  echo "layers: every include follows the order $*"
fi
exit $status
