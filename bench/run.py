#!/usr/bin/python3
"""Times `tomel psd` against `cp` of an equally large file, side by side.

Usage: bench/run.py BUILD_DIR WORK_DIR [ROUNDS]
Rounds alternate between the commands; the table shows median wall times,
tomel's ratio to cp, and tomel's peak RSS against the output size. For the
single-file scenarios it also times the floor: a minimal C program that only
inflates the input and streams as many bytes to a file (tomel / floor)."""
import os
import shutil
import statistics
import subprocess
import sys
import time


def run(argv, cwd, outputs=()):
    # Both sides write new files: replacing an existing file costs the file
    # system extra work that has nothing to do with converting.
    for output in outputs:
        if os.path.exists(os.path.join(cwd, output)):
            os.remove(os.path.join(cwd, output))
    # Every run starts with no dirty pages left by the one before it.
    os.sync()
    start = time.perf_counter()
    process = subprocess.Popen(argv, cwd=cwd, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed: {' '.join(argv)}")
    return wall, usage.ru_maxrss * 1024


def compare(name, tomel_argv, cp_argv, cwd, output_bytes, rounds, tomel_outputs, cp_outputs, floor_argv=None):
    tomel_times, cp_times, floor_times, rss = [], [], [], []
    for _ in range(rounds):
        wall, peak = run(tomel_argv, cwd, tomel_outputs)
        tomel_times.append(wall)
        rss.append(peak)
        cp_times.append(run(cp_argv, cwd, cp_outputs)[0])
        if floor_argv:
            floor_times.append(run(floor_argv, cwd, ["floor.out"])[0])
    report(name, tomel_times, cp_times, rss, output_bytes, floor_times)


def report(name, tomel_times, cp_times, rss, output_bytes, floor_times=()):
    t, c = statistics.median(tomel_times), statistics.median(cp_times)
    peak = max(rss)
    floor = ""
    if floor_times:
        f = statistics.median(floor_times)
        floor = f"{f * 1000:>10.1f} {t / f:>7.2f}x"
    print(f"{name:<12} {t * 1000:>10.1f} {c * 1000:>10.1f} {t / c:>7.2f}x {peak / 2**20:>10.1f} "
          f"{output_bytes / 2**20:>10.1f} {peak / output_bytes:>7.2f}x {floor}")


def main():
    build, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    tomel = os.path.join(build, "tomel")
    print(f"{'scenario':<12} {'tomel ms':>10} {'cp ms':>10} {'ratio':>8} {'peak MiB':>10} {'out MiB':>10} "
          f"{'rss/out':>8} {'floor ms':>10} {'/floor':>8}")
    for name in ("big", "anim"):
        subprocess.run([tomel, "psd", f"{name}.edg"], cwd=work, check=True, stdout=subprocess.DEVNULL)
        size = os.path.getsize(os.path.join(work, f"{name}.psd"))
        shutil.copyfile(os.path.join(work, f"{name}.psd"), os.path.join(work, f"{name}.ref"))
        compare(name, [tomel, "psd", f"{name}.edg"], ["cp", f"{name}.ref", f"{name}.copy"], work, size, rounds,
                [f"{name}.psd"], [f"{name}.copy"], [os.path.join(build, "floor"), f"{name}.edg", "floor.out", str(size)])

    # Each round converts in a fresh directory (inputs linked in) and copies
    # into a fresh one: new files in a directory where as many were just
    # deleted make the file system hunt for inodes, on both sides alike.
    small = sorted(f for f in os.listdir(os.path.join(work, "small")) if f.endswith(".edg"))
    inputs = [os.path.join("small", f) for f in small]
    subprocess.run([tomel, "psd", *inputs], cwd=work, check=True, stdout=subprocess.DEVNULL)
    refs = os.path.join(work, "small-ref")
    shutil.rmtree(refs, ignore_errors=True)
    os.makedirs(refs)
    total = 0
    for f in small:
        psd = os.path.join(work, "small", f[:-4] + ".psd")
        shutil.copyfile(psd, os.path.join(refs, f[:-4] + ".psd"))
        total += os.path.getsize(psd)
    ref_files = [os.path.join("small-ref", f[:-4] + ".psd") for f in small]
    rounds_dir = os.path.join(work, "small-rounds")
    shutil.rmtree(rounds_dir, ignore_errors=True)
    tomel_times, cp_times, rss = [], [], []
    for r in range(rounds):
        convert_dir = os.path.join(rounds_dir, f"convert-{r}")
        copy_dir = os.path.join(rounds_dir, f"copy-{r}")
        os.makedirs(convert_dir)
        os.makedirs(copy_dir)
        for f in small:
            os.link(os.path.join(work, "small", f), os.path.join(convert_dir, f))
        wall, peak = run([tomel, "psd", *small], convert_dir)
        tomel_times.append(wall)
        rss.append(peak)
        cp_times.append(run(["cp", *[os.path.join(work, f) for f in ref_files], copy_dir], work)[0])
    shutil.rmtree(rounds_dir, ignore_errors=True)
    report("many-small", tomel_times, cp_times, rss, total)

    one = inputs[0]
    minimal = os.path.join(build, "minimal_copy")
    starts = []
    for _ in range(max(rounds, 20)):
        starts.append((run([tomel, "psd", one], work, [one[:-4] + ".psd"])[0],
                       run([minimal, one, "minimal.out"], work, ["minimal.out"])[0]))
    t = statistics.median(s[0] for s in starts)
    m = statistics.median(s[1] for s in starts)
    print(f"{'start-up':<12} {t * 1000:>10.2f} {m * 1000:>10.2f} {t / m:>7.2f}x   (one 32 x 32 file; "
          f"the second column is a minimal C program that reads a file and writes one)")


if __name__ == "__main__":
    main()
