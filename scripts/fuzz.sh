#!/usr/bin/env bash
# Builds the libFuzzer targets (every fuzz/<name>_fuzz.cpp, with clang, in build/fuzz) and
# runs them.
#
#   scripts/fuzz.sh replay              each target once over its seed corpus fuzz/corpus/<name>/
#                                       and its folders of tests/corpus/; fails if any input
#                                       crashes, leaks, hangs or runs out of memory
#   scripts/fuzz.sh run NAME [SECONDS]  fuzzes one target (600 s unless given); the grown
#                                       corpus, the log and any findings go to fuzz/findings/NAME/
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
build=build/fuzz
limits=(-timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=2048)

# Folders of tests/corpus/ that a target reads besides its own seeds.
declare -A test_corpora=(
  [bmp]="bmp"
  [gif]="gif"
  [jpeg]="jpeg photos"
  [png]="png"
  [memory_picture]="jpeg gif bmp"
  [metadata]="jpeg photos png"
  [exif]="photos"
)

usage() {
  echo "usage: scripts/fuzz.sh replay | run NAME [SECONDS]" >&2
  exit 2
}

target_names() {
  local source
  for source in fuzz/*_fuzz.cpp; do
    [[ -e $source ]] || continue
    source=${source##*/}
    echo "${source%_fuzz.cpp}"
  done
}

build_targets() {
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVXIMAGE_FUZZ=ON -DVXIMAGE_TESTS=OFF -DVXIMAGE_BENCH=OFF >/dev/null
  cmake --build "$build" -j2 --target "${@/%/_fuzz}"
}

# Existing seed folders of a target, as absolute paths.
seed_folders() {
  local name=$1 folders=("fuzz/corpus/$1") folder
  for folder in ${test_corpora[$name]:-}; do folders+=("tests/corpus/$folder"); done
  for folder in "${folders[@]}"; do
    if [[ -d $folder ]]; then echo "$root/$folder"; fi
  done
}

replay() {
  local names=() name failed=()
  mapfile -t names < <(target_names)
  [[ ${#names[@]} -gt 0 ]] || { echo "fuzz: no targets"; return 0; }
  build_targets "${names[@]}"
  for name in "${names[@]}"; do
    local seeds=()
    mapfile -t seeds < <(seed_folders "$name")
    if [[ ${#seeds[@]} -eq 0 ]]; then
      echo "fuzz: $name has no seed folders, skipped"
      continue
    fi
    local findings="fuzz/findings/$name"
    mkdir -p "$findings"
    echo "fuzz: replaying ${seeds[*]#"$root/"} through ${name}_fuzz"
    if ! "$build/bin/${name}_fuzz" -runs=0 "${limits[@]}" -artifact_prefix="$findings/replay-" \
      "${seeds[@]}" >"$findings/replay.log" 2>&1; then
      tail -n 40 "$findings/replay.log"
      failed+=("$name")
    fi
  done
  if [[ ${#failed[@]} -gt 0 ]]; then
    echo "fuzz: replay failed for ${failed[*]} (logs in fuzz/findings/<name>/replay.log)"
    return 1
  fi
}

run() {
  local name=$1 seconds=${2:-600}
  [[ -f fuzz/${name}_fuzz.cpp ]] || { echo "fuzz: no target fuzz/${name}_fuzz.cpp" >&2; exit 2; }
  build_targets "$name"
  local findings="fuzz/findings/$name" seeds=()
  mkdir -p "$findings/corpus" "$findings/artifacts"
  mapfile -t seeds < <(seed_folders "$name")
  local before
  before=$(find "$findings/artifacts" -type f | wc -l)
  # New inputs go to the first folder, findings/NAME/corpus; the seed folders stay as they are.
  (cd "$findings" && "$root/$build/bin/${name}_fuzz" corpus "${seeds[@]}" -jobs=1 \
    -max_total_time="$seconds" "${limits[@]}" -artifact_prefix=artifacts/ -print_final_stats=1 \
    >/dev/null 2>&1) || true
  tail -n 25 "$findings/fuzz-0.log"
  if [[ $(find "$findings/artifacts" -type f | wc -l) -gt $before ]]; then
    echo "fuzz: $name found something: $findings/artifacts/"
    return 1
  fi
}

case ${1:-} in
  replay) [[ $# -eq 1 ]] || usage; replay ;;
  run) [[ $# -ge 2 && $# -le 3 ]] || usage; run "$2" "${3:-}" ;;
  *) usage ;;
esac
