#!/usr/bin/env bash
# The detector's stages include only the stages before them, and the rest of the game
# reaches the detector through its C interface alone.
#   tests/check_layers.sh SOURCE_DIR
set -uo pipefail
cd "${1:?usage: check_layers.sh SOURCE_DIR}"
stages=(source face pose eyes gaze pointing runtime abi)
status=0
for i in "${!stages[@]}"; do
  later=("${stages[@]:$((i + 1))}")
  [ ${#later[@]} -eq 0 ] && continue
  pattern="#include \"detector/($(IFS='|'; echo "${later[*]}"))/"
  if grep -rnE "$pattern" "detector/${stages[$i]}"; then
    echo "detector/${stages[$i]} includes a later stage (above)"
    status=1
  fi
done
if grep -rnE '#include "detector/' app ui game video platform res; then
  echo "the game includes the detector's inside (above): only irisdet.h is its"
  status=1
fi
exit $status
