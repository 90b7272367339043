# Sourced by the benchmark scripts: the photographs they time, as --photo arguments in the
# array `photos`: the project's 2 MP sample, and photo-13mp.jpg and photo-20mp.jpg of
# VXIMAGE_BENCH_INPUTS (by default the team's shared benchmark folder beside the checkout,
# or beside the main checkout when this is a git worktree); missing ones are left out.
beside=$(cd "$(git rev-parse --path-format=absolute --git-common-dir 2>/dev/null || echo .git)/../.." && pwd)
inputs=${VXIMAGE_BENCH_INPUTS:-$beside/shared/bench/inputs}
photos=(--photo "$PWD/samples/photo-2mp.jpg")
for name in photo-13mp.jpg photo-20mp.jpg; do
  if [[ -f $inputs/$name ]]; then
    photos+=(--photo "$inputs/$name")
  else
    echo "($inputs/$name not found: left out)" >&2
  fi
done
