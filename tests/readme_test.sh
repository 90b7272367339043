#!/usr/bin/env bash
# Holds the README to what it shows: its C++ example is examples/typical_request.cpp to the
# byte, its VBScript lines are those of examples/typical_request.vbs in order, and every
# command block after the first (the set-up commands) runs and succeeds, from a scratch copy
# of the project's folder with this build's programs on the path and in build/release.
#
#   tests/readme_test.sh SOURCE_DIR BUILD_DIR [EXTRA_CXXFLAGS]
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
extra_flags=${3:-}
readme=$src/README.md

# The text of every fenced block of one language, blocks separated by a line holding \f.
blocks() {
  awk -v lang="$1" '/^```/ { if (inside) { inside = 0; print "\f"; next } if ($0 == "```" lang) { inside = 1; next } }
                    inside { print }' "$readme"
}
fail() {
  echo "README: $*" >&2
  exit 1
}

blocks cpp | awk 'BEGIN { RS = "\f\n" } NR == 1 { printf "%s", $0 }' | cmp -s - "$src/examples/typical_request.cpp" ||
  fail "the C++ example is not examples/typical_request.cpp"

vbs=$src/examples/typical_request.vbs
line=0
while IFS= read -r shown; do
  [[ $shown == $'\f' || -z $shown ]] && continue
  next=$(want=$shown awk -v from="$line" 'NR > from && $0 == ENVIRON["want"] { print NR; exit }' "$vbs")
  [[ -n $next ]] || fail "VBScript line not in examples/typical_request.vbs in this order: $shown"
  line=$next
done < <(blocks vbscript)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for item in "$src"/*; do ln -s "$item" "$scratch/"; done
rm -f "$scratch/out" "$scratch/build"
mkdir -p "$scratch/build" "$scratch/bin"
ln -s "$build" "$scratch/build/release"
# A g++ that adds the flags this build was made with (the sanitizers' runtimes).
printf '#!/bin/sh\nexec /usr/bin/g++ "$@" %s\n' "$extra_flags" >"$scratch/bin/g++"
chmod +x "$scratch/bin/g++"

count=0
while IFS= read -r -d $'\f' block; do
  count=$((count + 1))
  [[ $count -eq 1 ]] && continue  # scripts/demo.sh and scripts/test.sh
  echo "--- block $count"
  (cd "$scratch" && PATH="$scratch/bin:$build/bin:$PATH" bash -euo pipefail -c "$block") ||
    fail "command block $count failed:"$'\n'"$block"
done < <(blocks sh)
[[ $count -ge 2 ]] || fail "no command blocks found"
echo "README: C++ and VBScript examples match their files; $((count - 1)) command blocks ran"
