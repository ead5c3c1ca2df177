#!/usr/bin/env bash
# No program or library of ours, built or installed, looks for libraries in the
# working directory or anywhere relative to it: every RUNPATH entry is absolute or
# anchored at $ORIGIN, and none is empty.
#   check_runpath.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --build "$build" --target preinstall >/dev/null
cmake --install "$build" --prefix "$prefix" >/dev/null

bad=0 checked=0
while IFS= read -r -d '' file; do
  head -c 4 "$file" | grep -q $'\x7fELF' || continue
  checked=$((checked + 1))
  paths=$(readelf -d "$file" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
  [ -z "$paths" ] && continue
  IFS=: read -r -a entries <<<"$paths:"  # the extra colon keeps a trailing empty entry
  for entry in "${entries[@]}"; do
    case "$entry" in
      /* | '$ORIGIN'*) ;;
      *) echo "$file: RUNPATH [$paths] has the entry '$entry'"; bad=1 ;;
    esac
  done
done < <(find "$build" "$prefix" -type f \( -perm -u+x -o -name '*.so*' \) -not -path '*/CMakeFiles/*' -print0)
echo "$checked binaries checked"
[ "$checked" -gt 0 ] && exit $bad
