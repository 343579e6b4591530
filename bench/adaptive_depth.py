#!/usr/bin/env python3
"""Times the adaptive read-ahead depth against fixed helper counts and GNU find.

For each tree (made with shared/tools/gen_tree.py, seed 1, when missing) and
each cache state (cold: the page cache dropped before every run, needs root;
warm: one unmeasured run first), runs `korvint ROOT OUT` with the adaptive
depth (KORVINT_LISTING_THREADS=auto), with each fixed count and with the
default ("default": the variable unset), and
`find ROOT -printf ...` into a file, interleaved, several rounds, TZ=UTC for
every tool. Reports the median wall time and the ratio to find as a Markdown
table on stdout and in bench/results-adaptive.md (appended, with the machine).

  bench/adaptive_depth.py [--dir FOLDER] [--trees 300k,1m] [--rounds 3]
                          [--states cold,warm] [--threads auto,0,4,8,16,32]
                          [--korvint PATH]
"""
import argparse
import datetime
import os
import platform
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
GEN_TREE = os.path.join(os.path.dirname(REPO), "shared", "tools", "gen_tree.py")
TREES = {"300k": (300_000, 20_000), "1m": (1_000_000, 60_000), "100k": (100_000, 6_000)}
FIND_FORMAT = "%P\t%s\t%TY.%Tm.%Td\t%TH:%TM.%TS\n"


def build_korvint():
    build = os.path.join(REPO, "build-bench")
    subprocess.run(["cmake", "-S", REPO, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DKORVINT_BUILD_TESTS=OFF", "-DKORVINT_WITH_QT=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "-j2", "--target", "korvint"], check=True, stdout=subprocess.DEVNULL)
    return os.path.join(build, "src", "hosts", "korvint")


def make_tree(folder, name):
    root = os.path.join(folder, "tree-" + name)
    if not os.path.isdir(root):
        files, dirs = TREES[name]
        print(f"making {root} ...", file=sys.stderr)
        subprocess.run([sys.executable, GEN_TREE, root, "--files", str(files), "--dirs", str(dirs), "--seed", "1"],
                       check=True, stdout=subprocess.DEVNULL)
    return os.path.realpath(root)


def drop_caches():
    subprocess.run(["sync"], check=True)
    with open("/proc/sys/vm/drop_caches", "w") as caches:
        caches.write("3\n")


def run(command, env, out_path):
    start = time.perf_counter()
    with open(out_path, "wb") as out:
        subprocess.run(command, env=env, stdout=out, stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dir", default=os.path.join(REPO, "out", "bench-trees"))
    parser.add_argument("--trees", default="300k,1m")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--states", default="cold,warm")
    parser.add_argument("--threads", default="auto,0,4,8,16,32")
    parser.add_argument("--korvint")
    args = parser.parse_args()

    korvint = args.korvint or build_korvint()
    os.makedirs(args.dir, exist_ok=True)
    base_env = dict(os.environ, TZ="UTC")
    base_env.pop("DISPLAY", None)
    base_env.pop("WAYLAND_DISPLAY", None)
    base_env.pop("QT_QPA_PLATFORM", None)
    base_env.pop("KORVINT_LISTING_THREADS", None)
    tools = []
    for threads in args.threads.split(","):
        env = dict(base_env)
        if threads != "default":
            env["KORVINT_LISTING_THREADS"] = threads
        label = {"default": "korvint, default (adaptive)", "auto": "korvint, adaptive (auto)",
                 "0": "korvint, single thread"}.get(threads, f"korvint, {threads} helpers")
        tools.append((label, env, lambda root, out: [korvint, root, out]))
    tools.append(("find", base_env, None))

    lines = []
    machine = (f"Machine: {os.cpu_count()} cores, {platform.processor() or platform.machine()}, "
               f"Linux {platform.release()}; {datetime.date.today()}; median of {args.rounds} interleaved rounds")
    lines.append(machine)
    lines.append("")
    lines.append("| tree | cache | tool | wall s | x find | x best fixed |")
    lines.append("|---|---|---|---:|---:|---:|")
    for name in args.trees.split(","):
        root = make_tree(args.dir, name)
        for state in args.states.split(","):
            times = {label: [] for label, _, _ in tools}
            if state == "warm":
                run([korvint, root, os.path.join(args.dir, "warmup.lst")], base_env, os.devnull)
            for _ in range(args.rounds):
                for label, env, make in tools:
                    out = os.path.join(args.dir, "out.lst")
                    if state == "cold":
                        drop_caches()
                    if make is None:
                        times[label].append(run(["find", root, "-printf", FIND_FORMAT], env, out))
                    else:
                        times[label].append(run(make(root, out), env, os.devnull))
            medians = {label: statistics.median(values) for label, values in times.items()}
            fixed = [t for label, t in medians.items() if "helpers" in label or "single" in label]
            best_fixed = min(fixed) if fixed else float("nan")
            for label, _, _ in tools:
                m = medians[label]
                lines.append(f"| {name} | {state} | {label} | {m:.2f} | {m / medians['find']:.2f} | "
                             f"{m / best_fixed:.2f} |")
                print(lines[-1], flush=True)
    text = "\n".join(lines) + "\n"
    print(text)
    with open(os.path.join(HERE, "results-adaptive.md"), "a") as results:
        results.write("\n" + text)


if __name__ == "__main__":
    main()
