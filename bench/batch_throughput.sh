#!/usr/bin/env bash
# Images per second of one job over many photographs: vximage's batch against one vximage
# process a photo (one after another, and as many at once as there are cores), and
# against ImageMagick, one process a photo as many at once (the peers have no batch of
# their own for this job; run_peer.sh's headline job, when the shared benchmark folder is
# there). The job is the typical request: load, logo at 50 % bottom right, caption with a
# soft shadow bottom left, full JPEG, 150-pixel thumbnail, 400x300 crop.
#
# The commands run interleaved, RUNS times each; printed are the median and the minimum
# of wall time and of the CPU time of all processes, and images per second from the
# median wall time.
#
# usage: bench/batch_throughput.sh [COUNT] [RUNS]    (default 200 photographs, 3 runs)
# Environment: VXIMAGE_PEERS, the folder with run_peer.sh (default: the shared benchmark
# folder beside the checkout; ImageMagick is left out without it).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
count=${1:-200}
runs=${2:-3}
peers=${VXIMAGE_PEERS:-$(cd .. && pwd)/shared/bench}
cores=$(nproc)

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVXIMAGE_TESTS=OFF >/dev/null
cmake --build build/release --target vximage_cli >/dev/null
vximage=$PWD/build/release/bin/vximage
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out"
for i in $(seq -w 1 "$count"); do ln -s "$PWD/samples/photo-2mp.jpg" "$work/in/photo-$i.jpg"; done
font=$(fc-match -f '%{file}' 'DejaVu Sans:style=Book')
# The typical request exactly as the peer benchmark runs it, over the batch's %1.
/usr/bin/python3 -c 'import sys; sys.path.insert(0, "bench"); from compare_peers import vximage_script
print(vximage_script("%1", sys.argv[1], sys.argv[2]), end="")' "$PWD/samples/logo.png" "$work/out/%~n1" >"$work/job.vxs"

names=("vximage batch -j $cores" "vximage batch -j 1" "vximage a photo, $cores at once" "vximage a photo, in turn")
commands=(
  "\"$vximage\" batch -j $cores \"$work/job.vxs\" \"$work\"/in/*.jpg 2>/dev/null"
  "\"$vximage\" batch -j 1 \"$work/job.vxs\" \"$work\"/in/*.jpg 2>/dev/null"
  "printf '%s\\0' \"$work\"/in/*.jpg | xargs -0 -P $cores -n 1 \"$vximage\" run \"$work/job.vxs\""
  "for f in \"$work\"/in/*.jpg; do \"$vximage\" run \"$work/job.vxs\" \"\$f\"; done"
)
if [[ -x $peers/run_peer.sh ]]; then
  names+=("ImageMagick a photo, $cores at once")
  commands+=("printf '%s\\0' \"$work\"/in/*.jpg | FONT_FILE=\"$font\" xargs -0 -P $cores -I{} \"$peers/run_peer.sh\" im {} headline \"$work/out/im\"")
fi

echo "$count copies of samples/photo-2mp.jpg, $runs runs each, $cores cores"
python3 - "$count" "$runs" "${#names[@]}" "${names[@]}" "${commands[@]}" <<'EOF'
import resource, statistics, subprocess, sys, time
count, runs, n = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
names, commands = sys.argv[4:4 + n], sys.argv[4 + n:4 + 2 * n]
wall = {name: [] for name in names}
cpu = {name: [] for name in names}
for run in range(runs):
    for name, command in zip(names, commands):  # interleaved, run by run
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.monotonic()
        subprocess.run(["bash", "-c", command], check=True)
        wall[name].append(time.monotonic() - start)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu[name].append(after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime)
print(f"{'':40} {'wall median':>12} {'min':>8} {'CPU median':>11} {'min':>8} {'images/s':>9}")
for name in names:
    w, c = statistics.median(wall[name]), statistics.median(cpu[name])
    print(f"{name:40} {w:10.2f} s {min(wall[name]):6.2f} s {c:9.2f} s {min(cpu[name]):6.2f} s "
          f"{count / w:9.1f}")
EOF
