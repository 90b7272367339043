#!/usr/bin/env bash
# The drawing toolbox (build/release/bin/toolbox_bench) beside ImageMagick doing the nearest
# equivalent on pictures of the same sizes, all in one run:
#   rotate  RotateDC / DrawDCByRotateData by 30 degrees, 2000x2000  vs  -rotate 30
#   blur    FastBlur n = 9, sigma 2, 1000x1000  vs  -gaussian-blur 9x2 (the job as usually
#           written; radius 9, a 19x19 window) and -gaussian-blur 4x2 (a 9x9 window, as n = 9)
#   lines   10 000 DrawSmoothLine, 2000x2000  vs  -draw of the same 10 000 lines
# ImageMagick's time for an operation is its command with the operation less the same command
# without it (read an uncompressed MPC picture, write nothing), each the mean of RUNS runs
# (the lines, which take ImageMagick minutes, one run).
#
# usage: bench/compare_toolbox.sh [RUNS]    (default 5)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
runs=${1:-5}

scripts/setup.sh --bench
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF >/dev/null
cmake --build build/release --target toolbox_bench >/dev/null
im=$(command -v convert-im6.q16 || command -v convert)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$im" samples/photo-2mp.jpg -resize '2000x2000!' "$work/p2000.mpc"
"$im" samples/photo-2mp.jpg -resize '1000x1000!' "$work/p1000.mpc"
# The benchmark's lines: end points from x -> 69069 x + 1 (mod 2^32), modulo 2000. The
# security policy forbids reading them from a file (-draw @file), and one argument may not
# exceed 128 KiB: four -draw arguments of 2500 lines each.
awk 'BEGIN { x = 1; for (i = 0; i < 10000; i++) {
  for (k = 0; k < 4; k++) { x = (69069 * x + 1) % 4294967296; v[k] = x % 2000 }
  printf "line %d,%d %d,%d%s", v[0], v[1], v[2], v[3], (i % 2500 == 2499) ? "\n" : " " } }' >"$work/lines.mvg"
draws=""
while IFS= read -r part; do draws+=" -draw '$part'"; done <"$work/lines.mvg"
# Too long for one argument of hyperfine's, so run from a script, with its baseline likewise.
echo "exec $im $work/p2000.mpc -fill none -stroke black$draws null:" >"$work/lines.sh"
echo "exec $im $work/p2000.mpc null:" >"$work/lines-base.sh"

hyperfine -N --warmup 1 --runs "$runs" --export-json "$work/im.json" \
  -n base2000 "$im $work/p2000.mpc null:" \
  -n rotate "$im $work/p2000.mpc -rotate 30 null:" \
  -n lines-base "bash $work/lines-base.sh" \
  -n base1000 "$im $work/p1000.mpc null:" \
  -n blur9 "$im $work/p1000.mpc -gaussian-blur 9x2 null:" \
  -n blur4 "$im $work/p1000.mpc -gaussian-blur 4x2 null:" >/dev/null
# ImageMagick takes minutes over the lines: one run.
hyperfine -N --runs 1 --export-json "$work/im-lines.json" -n lines "bash $work/lines.sh" >/dev/null

build/release/bin/toolbox_bench --benchmark_min_time=1 --benchmark_format=json \
  --benchmark_out="$work/ours.json" >/dev/null 2>&1

python3 - "$work/ours.json" "$work/im.json" "$work/im-lines.json" <<'EOF'
import json, sys
ours = {b["name"].split("/")[0]: b["real_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]}
im = {r["command"]: r["mean"] * 1000 for f in sys.argv[2:] for r in json.load(open(f))["results"]}
rows = [
    ("rotate 30, 2000x2000", "BM_RotateDC30", "rotate", "base2000"),
    ("  (blending, from a buffer)", "BM_DrawDCByRotateData30", "rotate", "base2000"),
    ("  (forward map, RotateDC2)", "BM_RotateDC2_30", "rotate", "base2000"),
    ("blur n 9 sigma 2, 1000x1000 vs 9x2", "BM_FastBlur9Sigma2", "blur9", "base1000"),
    ("blur n 9 sigma 2, 1000x1000 vs 4x2", "BM_FastBlur9Sigma2", "blur4", "base1000"),
    ("10 000 lines, 2000x2000", "BM_SmoothLines10000", "lines", "lines-base"),
]
print(f"{'job':38} {'vximage':>10} {'ImageMagick':>12} {'(whole)':>10} {'IM / ours':>10}")
for job, bench, cmd, base in rows:
    op = im[cmd] - im[base]
    print(f"{job:38} {ours[bench]:8.1f} ms {op:9.1f} ms {im[cmd]:7.1f} ms {op / ours[bench]:9.2f}x")
for bench in ("BM_SmoothEllipses1000", "BM_NinePartBackground1920x1080"):
    print(f"{bench[3:]:38} {ours[bench]:8.1f} ms")
EOF
