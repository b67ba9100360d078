#!/usr/bin/env bash
# The layers' arrows (../shared/design.md) over the tree: each layer's C++ files include only
# their own layer and the layers below it, and the plain C++ layers include no Qt. The build
# enforces the same through each layer's include folder; this names every offending line at once,
# headers no source of their layer includes as well. Fails when it finds any.
set -euo pipefail
cd "$(dirname "$0")/.."

# What each layer may include besides itself.
declare -A below=(
  [platform]=""
  [library]="platform"
  [countdown]="platform"
  [search]="library platform"
  [syntax]="platform"
  [pages]="syntax library platform"
  [librarytool]="pages syntax library platform"
  [address]=""
  [browser]="address syntax platform"
  [ui]="browser address countdown search pages syntax library platform"
  [app]="ui browser address countdown search pages syntax library platform"
)
# The one command of the tool that runs pages in the engine.
librarytool_run="browser address"
qt_layers=" address browser ui app "

status=0
for layer in "${!below[@]}"; do
  while IFS=: read -r file line text; do
    target=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z]*\)\/.*/\1/p' <<<"$text")
    allowed=" $layer ${below[$layer]} "
    case "$file" in librarytool/run.*) allowed+="$librarytool_run " ;; esac
    if [ -n "$target" ] && [ -n "${below[$target]+set}" ] && [[ "$allowed" != *" $target "* ]]; then
      echo "$file:$line: $layer includes $target, which is not below it: $text"
      status=1
    elif [[ "$qt_layers" != *" $layer "* && "$file" != librarytool/run.* ]] &&
      grep -Eq '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' <<<"$text"; then
      echo "$file:$line: $layer is plain C++ and includes Qt: $text"
      status=1
    elif grep -q '"\.\./' <<<"$text"; then
      echo "$file:$line: includes past its layer's folder: $text"
      status=1
    fi
  done < <(git grep -n -E '^[[:space:]]*#[[:space:]]*include' -- "$layer/*.h" "$layer/*.cpp" || true)
done
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
