#!/usr/bin/env python3
"""Whole-command timing of vximage against its peers; bench/compare_peers.sh builds and runs it.

Every tool's own command is timed directly (no wrapper shell, no font look-up or import probe
inside the timing): vximage, the floor (djpeg | cjpeg, the same library's decode and encode at
the same settings, two processes), ImageMagick 6 `convert`, Pillow and libvips' C++ interface.
Each run starts a fresh process; the commands are interleaved run by run, in an order that
rotates, after one untimed warm-up round. For every command: wall time, processor time
(user + system, of every process the command started) and peak resident memory (for the
floor's pipeline, the sum of its two processes' peaks), reported as medians and minimums,
and each peer's ratio to vximage taken run by run.

Jobs:
  request  the typical request on one photograph: load, the logo at 50 % 10 px in from the
           bottom right, the caption with a soft shadow 10 px in from the bottom left, full
           JPEG, 150-px-wide nearest-neighbour thumbnail, 400x300 crop (the floor: decode and
           encode of the full JPEG only). Optionally with a second load in the background:
           that many processes repeating the floor's recode of the 2 MP photograph.
  batch    the typical request on N photographs by each tool in its natural parallel form
           on all cores: vximage as one process a core over a script of its share of the
           photographs, and as `vximage batch` (one process, a worker thread a core); Pillow
           as a multiprocessing Pool of one worker a core; libvips as one process with one
           worker thread a core; ImageMagick and the floor as one command a photograph, one
           a core at a time.
Every JPEG written is quality 80, 4:4:4, baseline, standard Huffman tables.

The machine's load is reported with every table: the load average when it began, and the
processor time that processes other than the timed ones (and the background load) used
while it ran, from /proc/stat.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

CAPTION = "(c) 2026 Example Photo"
CORES = os.cpu_count() or 1
TICKS = os.sysconf("SC_CLK_TCK")


class Sample:
    """One timed command: wall and processor seconds, peak resident KiB."""

    def __init__(self, wall=0.0, cpu=0.0, rss_kib=0):
        self.wall, self.cpu, self.rss_kib = wall, cpu, rss_kib


class Ledger:
    """Processor seconds of every process this program started, so that the rest of the
    machine's use can be told apart."""

    def __init__(self):
        self.lock = threading.Lock()
        self.cpu = 0.0

    def add(self, seconds):
        with self.lock:
            self.cpu += seconds


LEDGER = Ledger()


def run(stages, log):
    """Runs a pipeline of commands (a list of argument lists) to its end; the Sample of all
    its processes. Raises when a process fails, showing what it wrote to standard error."""
    start = time.perf_counter()
    processes = []
    upstream = subprocess.DEVNULL
    for i, argv in enumerate(stages):
        last = i == len(stages) - 1
        p = subprocess.Popen(argv, stdin=upstream, stdout=subprocess.DEVNULL if last else subprocess.PIPE,
                             stderr=log)
        if upstream is not subprocess.DEVNULL:
            upstream.close()
        upstream = None if last else p.stdout
        processes.append(p)
    sample = Sample()
    failed = []
    for p in processes:
        _, status, usage = os.wait4(p.pid, 0)
        p.returncode = os.waitstatus_to_exitcode(status)
        if p.returncode != 0:
            failed.append(p.args[0])
        sample.cpu += usage.ru_utime + usage.ru_stime
        sample.rss_kib += usage.ru_maxrss
    sample.wall = time.perf_counter() - start
    LEDGER.add(sample.cpu)
    if failed:
        log.seek(0)
        raise RuntimeError(f"{' | '.join(' '.join(s) for s in stages)} failed:\n{log.read().decode(errors='replace')}")
    return sample


def run_each(commands, workers, log):
    """Runs the commands `workers` at a time; the Sample of the whole set (peak: the largest
    process's)."""
    pending = list(commands)
    lock = threading.Lock()
    total = Sample()
    errors = []

    def work():
        while True:
            with lock:
                if not pending or errors:
                    return
                stages = pending.pop()
            try:
                s = run(stages, log)
            except RuntimeError as e:
                with lock:
                    errors.append(e)
                return
            with lock:
                total.cpu += s.cpu
                total.rss_kib = max(total.rss_kib, s.rss_kib)

    start = time.perf_counter()
    threads = [threading.Thread(target=work) for _ in range(workers)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if errors:
        raise errors[0]
    total.wall = time.perf_counter() - start
    return total


class MachineUse:
    """Processor time the whole machine used between start() and stop(), from /proc/stat."""

    @staticmethod
    def busy_seconds():
        with open("/proc/stat") as stat:
            fields = [int(v) for v in stat.readline().split()[1:]]
        idle = fields[3] + fields[4]  # idle, iowait
        return (sum(fields[:8]) - idle) / TICKS

    def start(self):
        with open("/proc/loadavg") as f:
            self.loadavg = " ".join(f.read().split()[:3])
        self.busy0, self.ours0, self.t0 = self.busy_seconds(), LEDGER.cpu, time.perf_counter()

    def stop(self):
        elapsed = time.perf_counter() - self.t0
        others = (self.busy_seconds() - self.busy0) - (LEDGER.cpu - self.ours0)
        return (f"load average {self.loadavg} on {CORES} cores when it began; other processes used "
                f"{max(others, 0) / elapsed:.2f} cores on average while it ran")


class BackgroundLoad:
    """`count` processes at a time repeating a command until stopped."""

    def __init__(self, stages, count, log):
        self.stages, self.count, self.log = stages, count, log
        self.stopping = threading.Event()
        self.threads = []

    def __enter__(self):
        for _ in range(self.count):
            t = threading.Thread(target=self.loop)
            t.start()
            self.threads.append(t)
        time.sleep(0.5 if self.count else 0)
        return self

    def loop(self):
        while not self.stopping.is_set():
            run(self.stages, self.log)

    def __exit__(self, *exc):
        self.stopping.set()
        for t in self.threads:
            t.join()


# ------------------------------------------------------------------------------ the jobs

JPEG_FLAGS = ["-strip", "-quality", "80", "-sampling-factor", "1x1", "-interlace", "none",
              "-define", "jpeg:optimize-coding=false"]


def vximage_script(photo, logo, out):
    """The typical request as a vximage script; PHOTO and OUT may be %-arguments of a batch."""
    return f"""LoadSourceImage "{photo}"
MarkPos = 4
MarkPosOffsetX = -10
MarkPosOffsetY = -10
MarkTransparent = 50
AddImageMark "{logo}", 0, 0
MarkTransparent = 100
MarkPos = 3
MarkPosOffsetX = 10
TextMarkFontName = "DejaVu Sans"
TextMarkHeight = -48
TextMarkColor = &HFFFFFF
TextMarkShadowVisible = 1
TextMarkShadowDistance = 3
TextMarkShadowSize = 5
AddTextMark "{CAPTION}", 0, 0
MakeMarkImage "{out}.full.jpg"
MakeThumbImage "{out}.thumb.jpg", 150, 0, 1
MakeCropImage "{out}.crop.jpg", 100, 100, 400, 300
"""


class Tools:
    def __init__(self, args, work):
        self.args, self.work = args, work
        self.font = subprocess.run(["fc-match", "-f", "%{file}", "DejaVu Sans:style=Book"], check=True,
                                   capture_output=True, text=True).stdout
        self.convert = shutil.which("convert-im6.q16") or "convert"

    def floor(self, photo, out):
        return [["djpeg", photo], ["cjpeg", "-quality", "80", "-sample", "1x1", "-outfile", out + ".full.jpg"]]

    def imagemagick(self, photo, out):
        label = ["-background", "none", "-font", self.font, "-pointsize", "48"]
        return [[self.convert, photo,
                 "(", self.args.logo, "-channel", "A", "-evaluate", "multiply", "0.5", "+channel", ")",
                 "-gravity", "SouthEast", "-geometry", "+10+10", "-composite",
                 # the shadow: the caption in black, 8 px of margin, blurred, 3 px right and down
                 "(", *label, "-fill", "black", "label:" + CAPTION, "-bordercolor", "none", "-border", "8",
                 "-channel", "RGBA", "-blur", "0x1.67", "+channel", ")",
                 "-gravity", "SouthWest", "-geometry", "+5-1", "-composite",
                 "(", *label, "-fill", "white", "label:" + CAPTION, ")",
                 "-gravity", "SouthWest", "-geometry", "+10+10", "-composite", "+gravity", *JPEG_FLAGS,
                 "(", "+clone", "-sample", "150x", "-write", out + ".thumb.jpg", "+delete", ")",
                 "(", "+clone", "-crop", "400x300+100+100", "+repage", "-write", out + ".crop.jpg", "+delete", ")",
                 out + ".full.jpg"]]

    def pillow(self, photo, out):
        return [[self.args.python, self.args.pillow_job, "one", photo, self.args.logo, self.font, out]]

    def libvips(self, photo, out):
        return [[self.args.vips_job, "one", photo, self.args.logo, self.font, out]]

    def vximage(self, photo, out):
        script = os.path.join(self.work, os.path.basename(out) + ".vxs")
        with open(script, "w", encoding="utf-8") as f:
            f.write(vximage_script(photo, self.args.logo, out))
        return [[self.args.vximage, "run", script]]


TOOLS = ["vximage", "floor", "imagemagick", "pillow", "libvips"]
NAMES = {"vximage": "vximage", "vximage-batch": "vximage batch", "floor": "floor (djpeg | cjpeg)",
         "imagemagick": "ImageMagick", "pillow": "Pillow", "libvips": "libvips"}


def interleaved(commands, runs, log):
    """Samples of each named command, `runs` rounds after a warm-up round, the order rotating."""
    names = list(commands)
    samples = {n: [] for n in names}
    for r in range(runs + 1):
        order = names[r % len(names):] + names[:r % len(names)]
        for n in order:
            s = commands[n]()
            if r > 0:
                samples[n].append(s)
    return samples


def ms(seconds):
    return f"{seconds * 1000:.1f}"


def request_table(samples, title, use):
    ours = samples["vximage"]
    floor = samples["floor"]
    lines = [f"#### {title}", "", use, "",
             "| tool | wall median | wall min | CPU median | CPU min | peak RSS | wall / ours | CPU / ours "
             "| ours faster (wall) |",
             "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"]
    for name, runs in samples.items():
        wall = [s.wall for s in runs]
        cpu = [s.cpu for s in runs]
        rss = statistics.median(s.rss_kib for s in runs) / 1024
        wall_ratio = [p.wall / o.wall for p, o in zip(runs, ours)]
        cpu_ratio = [p.cpu / o.cpu for p, o in zip(runs, ours)]
        wins = sum(o.wall < p.wall for p, o in zip(runs, ours))
        ratios = ("", "", "") if name == "vximage" else (
            f"{statistics.median(wall_ratio):.2f} ({min(wall_ratio):.2f}-{max(wall_ratio):.2f})",
            f"{statistics.median(cpu_ratio):.2f} ({min(cpu_ratio):.2f}-{max(cpu_ratio):.2f})",
            f"{wins} of {len(runs)}")
        lines.append(f"| {NAMES[name]} | {ms(statistics.median(wall))} ms | {ms(min(wall))} ms | "
                     f"{ms(statistics.median(cpu))} ms | {ms(min(cpu))} ms | {rss:.1f} MiB | " + " | ".join(ratios) + " |")
    cpu_vs_floor = [o.cpu / f.cpu for o, f in zip(ours, floor)]
    lines += ["", f"vximage's CPU time / the floor's, run by run: median {statistics.median(cpu_vs_floor):.2f}, "
                  f"range {min(cpu_vs_floor):.2f}-{max(cpu_vs_floor):.2f}", ""]
    return "\n".join(lines)


def request_job(args, tools, log, photos):
    out_dir = os.path.join(tools.work, "out")
    os.makedirs(out_dir, exist_ok=True)
    background = tools.floor(args.load_photo, os.path.join(tools.work, "background"))
    for label, count in (("quiet", 0), ("loaded", args.background)):
        if label == "loaded" and count == 0:
            continue
        print(f"### The typical request, {'no added load' if count == 0 else f'{count} background process(es) repeating djpeg | cjpeg of the 2 MP photograph'}\n")
        for photo in photos:
            use = MachineUse()
            commands = {}
            for name in TOOLS:
                stages = getattr(tools, name)(photo, os.path.join(out_dir, name))
                commands[name] = lambda stages=stages: run(stages, log)
            with BackgroundLoad(background, count, log):
                use.start()
                samples = interleaved(commands, args.runs, log)
                note = use.stop()
            print(request_table(samples, f"{os.path.basename(photo)} ({describe(photo)}), {args.runs} runs", note))
            sys.stdout.flush()


def describe(photo):
    with open(photo, "rb") as f:
        data = f.read()
    at = 2
    while at + 9 <= len(data):  # the first frame header gives the size
        marker = data[at + 1]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            h, w = int.from_bytes(data[at + 5:at + 7], "big"), int.from_bytes(data[at + 7:at + 9], "big")
            return f"{w}x{h}, {w * h / 1e6:.1f} MP"
        at += 2 + int.from_bytes(data[at + 2:at + 4], "big")
    return "size unknown"


def batch_job(args, tools, log):
    count, workers = args.batch, CORES
    work = os.path.join(tools.work, "batch")
    listing = os.path.join(tools.work, "batch.txt")
    with open(listing, "w", encoding="utf-8") as f:
        f.write(f"{args.batch_photo}\n" * count)
    # `vximage batch` names its outputs after its inputs: the photograph under as many names.
    links = os.path.join(tools.work, "inputs")
    os.makedirs(links)
    inputs = []
    for i in range(count):
        inputs.append(os.path.join(links, f"photo-{i:04}.jpg"))
        os.symlink(args.batch_photo, inputs[-1])
    batch_script = os.path.join(tools.work, "batch.vxs")
    with open(batch_script, "w", encoding="utf-8") as f:
        f.write(vximage_script("%1", args.logo, f"{work}/%~n1"))

    def fresh():
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        return work

    def ours():
        out = fresh()
        scripts = []
        for w in range(workers):
            path = os.path.join(tools.work, f"batch{w}.vxs")
            with open(path, "w", encoding="utf-8") as f:
                for i in range(w, count, workers):
                    f.write(vximage_script(args.batch_photo, args.logo, f"{out}/{i}"))
            scripts.append([[args.vximage, "run", path]])
        return run_each(scripts, workers, log)

    def ours_batch():
        fresh()
        return run([[args.vximage, "batch", "-j", str(workers), batch_script, *inputs]], log)

    commands = {
        "vximage": ours,
        "vximage-batch": ours_batch,
        "floor": lambda: run_each([tools.floor(args.batch_photo, f"{fresh()}/{i}") for i in range(count)], workers, log),
        "imagemagick": lambda: run_each([tools.imagemagick(args.batch_photo, f"{fresh()}/{i}") for i in range(count)],
                                        workers, log),
        "pillow": lambda: run([[args.python, args.pillow_job, "batch", listing, args.logo, tools.font, fresh(),
                                str(workers)]], log),
        "libvips": lambda: run([[args.vips_job, "batch", listing, args.logo, tools.font, fresh(), str(workers)]], log),
    }
    print(f"### Batch: the typical request on {count} copies of {os.path.basename(args.batch_photo)} "
          f"({describe(args.batch_photo)}), {workers} at a time, {args.batch_runs} runs\n")
    use = MachineUse()
    use.start()
    samples = interleaved(commands, args.batch_runs, log)
    note = use.stop()
    lines = [note, "",
             "| tool | images/s median | images/s min | CPU ms an image median | CPU ms an image min | peak RSS "
             "| images/s against Pillow's |",
             "| --- | ---: | ---: | ---: | ---: | ---: | ---: |"]
    pillow = samples["pillow"]
    for name, runs in samples.items():
        rate = [count / s.wall for s in runs]
        cpu = [s.cpu * 1000 / count for s in runs]
        against = [p.wall / s.wall for s, p in zip(runs, pillow)]
        lines.append(f"| {NAMES[name]} | {statistics.median(rate):.1f} | {min(rate):.1f} | "
                     f"{statistics.median(cpu):.1f} | {min(cpu):.1f} | "
                     f"{statistics.median(s.rss_kib for s in runs) / 1024:.1f} MiB | "
                     f"{statistics.median(against):.2f} ({min(against):.2f}-{max(against):.2f}) |")
    print("\n".join(lines) + "\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--vximage", required=True)
    parser.add_argument("--vips-job", required=True)
    parser.add_argument("--python", default="/usr/bin/python3", help="a Python with Pillow")
    parser.add_argument("--pillow-job", default=os.path.join(here, "peers", "pillow_job.py"))
    parser.add_argument("--logo", required=True)
    parser.add_argument("--photo", action="append", default=[], help="a photograph for the request job")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--background", type=int, default=1,
                        help="processes of background load for the request job's second pass (0: none)")
    parser.add_argument("--load-photo", help="the photograph the background load recodes")
    parser.add_argument("--batch", type=int, default=200, help="photographs in the batch (0: no batch)")
    parser.add_argument("--batch-photo")
    parser.add_argument("--batch-runs", type=int, default=3)
    args = parser.parse_args()
    args.load_photo = args.load_photo or args.batch_photo

    work = tempfile.mkdtemp(prefix="vximage-peers-")
    try:
        with tempfile.TemporaryFile() as log:
            tools = Tools(args, work)
            print(f"vximage against its peers, {time.strftime('%Y-%m-%d %H:%M')}, {CORES} cores\n")
            if args.photo:
                request_job(args, tools, log, args.photo)
            if args.batch > 0:
                batch_job(args, tools, log)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
