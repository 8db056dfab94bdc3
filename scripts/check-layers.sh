#!/usr/bin/env bash
# Checks that the include graph keeps its layers:
#   - only the desktop program (app/) includes the main window (mainwindow/ui/), which sits
#     above every subsystem;
#   - files outside ui/ folders (the core, which never links Qt Widgets) include no
#     ui/ header;
#   - the views include no editor (the editors sit above the views).
# Usage: check-layers.sh [SOURCE_ROOT]   (default: the repository's src/)
# Prints every offending include line and exits 1 when there is one.
set -euo pipefail

root=${1:-"$(dirname "$0")/../src"}
if [ ! -d "$root" ]; then
  echo "check-layers: no such folder: $root" >&2
  exit 2
fi
root=${root%/}

include_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^">]+)[">]'
violations=0
files=0

report() { # file line text reason
  echo "$1:$2: $3" >&2
  echo "    $4" >&2
  violations=$((violations + 1))
}

while IFS= read -r -d '' path; do
  files=$((files + 1))
  file=${path#"$root"/}
  top=${file%%/*}
  in_ui=no
  if [[ "/$file" == */ui/* || $top == app ]]; then
    in_ui=yes
  fi
  lineno=0
  while IFS= read -r text || [ -n "$text" ]; do
    lineno=$((lineno + 1))
    [[ $text =~ $include_re ]] || continue
    header=${BASH_REMATCH[1]}
    if [[ "/$header" == */mainwindow/* && $top != mainwindow && $top != app ]]; then
      report "$file" "$lineno" "$text" \
        "only src/app includes the main window: src/mainwindow/ui sits above every subsystem"
    elif [[ $in_ui == no && "/$header" == */ui/* ]]; then
      report "$file" "$lineno" "$text" \
        "a core file (outside ui/ folders) includes a window header: the core never sees Qt Widgets"
    elif [[ $top == views && "/$header" == */editors/* ]]; then
      report "$file" "$lineno" "$text" \
        "src/views includes an editor: the editors sit above the views, not beside them"
    fi
  done <"$path"
done < <(find "$root" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)

if [ "$violations" -gt 0 ]; then
  echo "check-layers: $violations layering violation(s) in $root" >&2
  exit 1
fi
echo "check-layers: $files files in $root keep their layers"
