#!/usr/bin/env python3
"""What ColorManage = 1 and KeepMetadata = 1 add to the typical request; bench/colour_overhead.sh
builds vximage and runs it.

The typical request is compare_peers.py's (load, the logo, the caption with its shadow, the
full picture, a thumbnail and a crop), run by `vximage run SCRIPT` with the object's defaults
and again with both members set to 1 before the load. Each photograph is taken twice: as it
is (no ICC profile: the members read the headers, find nothing to convert and copy the Exif
block), and converted by lcms2's jpgicc to an Adobe RGB (1998)-compatible profile, embedded
(every pixel is then converted to sRGB on loading, and the profile written to each output).
The commands of one photograph are interleaved run by run, the order rotating, after one
untimed warm-up round; wall time, processor time and peak RSS of each process come from
wait4 through compare_peers.py's helpers.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compare_peers import CORES, MachineUse, interleaved, ms, run, vximage_script  # noqa: E402

SETTINGS = {"defaults": "", "ColorManage + KeepMetadata": "ColorManage = 1\nKeepMetadata = 1\n"}


def adobe_rgb_copy(photo, profile, work, log):
    """The photograph converted to the profile by jpgicc, which embeds it."""
    out = os.path.join(work, "adobe-rgb-" + os.path.basename(photo))
    subprocess.run(["jpgicc", "-o" + profile, "-e", "-q92", photo, out], check=True, stdout=subprocess.DEVNULL,
                   stderr=log)
    return out


def commands_for(args, work, photo, label):
    """One command a setting: vximage running the typical request from a script of its own."""
    commands = {}
    for name, settings in SETTINGS.items():
        tag = f"{label}-{len(commands)}"
        script = os.path.join(work, tag + ".vxs")
        with open(script, "w", encoding="utf-8") as f:
            f.write(settings + vximage_script(photo, args.logo, os.path.join(work, tag)))
        argv = [args.vximage, "run", script]
        commands[name] = lambda argv=argv, log=args.log: run([argv], log)
    return commands


def table_rows(label, samples):
    base = samples["defaults"]
    rows = []
    for name, runs in samples.items():
        wall = [s.wall for s in runs]
        cpu = [s.cpu for s in runs]
        rss = statistics.median(s.rss_kib for s in runs) / 1024
        if name == "defaults":
            overhead = ("", "")
        else:
            wall_ratio = [s.wall / b.wall - 1 for s, b in zip(runs, base)]
            cpu_ratio = [s.cpu / b.cpu - 1 for s, b in zip(runs, base)]
            overhead = (f"{statistics.median(wall_ratio) * 100:+.1f} %", f"{statistics.median(cpu_ratio) * 100:+.1f} %")
        rows.append(f"| {label} | {name} | {ms(statistics.median(wall))} ms | {ms(min(wall))} ms | "
                    f"{ms(statistics.median(cpu))} ms | {ms(min(cpu))} ms | {rss:.1f} MiB | {overhead[0]} | {overhead[1]} |")
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--vximage", required=True)
    parser.add_argument("--logo", required=True)
    parser.add_argument("--profile", default=os.path.join(here, "..", "tests", "data", "compatibleWithAdobeRGB1998.icc"))
    parser.add_argument("--photo", action="append", required=True)
    parser.add_argument("--runs", type=int, default=10)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="vximage-colour-")
    try:
        with tempfile.TemporaryFile() as log:
            args.log = log
            print(f"ColorManage and KeepMetadata on the typical request, {time.strftime('%Y-%m-%d %H:%M')}, "
                  f"{CORES} cores, {args.runs} interleaved runs (medians; overhead run by run)\n")
            lines = ["| photo | settings | wall median | wall min | CPU median | CPU min | peak RSS "
                     "| wall overhead | CPU overhead |",
                     "| --- | --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"]
            use = MachineUse()
            use.start()
            for photo in args.photo:
                name = os.path.basename(photo)
                for label, source in ((name, photo),
                                      (f"{name} in Adobe RGB", adobe_rgb_copy(photo, args.profile, work, log))):
                    samples = interleaved(commands_for(args, work, source, f"{len(lines)}"), args.runs, log)
                    lines += table_rows(label, samples)
                    print(lines[-2] + "\n" + lines[-1], file=sys.stderr)
            print("\n".join(lines) + "\n")
            print(use.stop())
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
