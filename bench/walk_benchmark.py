#!/usr/bin/env python3
"""Times korvint's batch scan against GNU find printing the same fields.

Makes the benchmark trees with shared/tools/gen_tree.py when they are missing
(100k files / 6,000 folders and 1M files / 60,000 folders), then runs korvint
and find interleaved, several rounds per tree, and reports median wall time,
user and system time, peak RSS, files per second and the ratio korvint/find as
a Markdown table (stdout and bench/results.md).

  bench/walk_benchmark.py [--rounds N] [--dir FOLDER] [--trees 100k,1m] [--cold]
                          [--threads 0,4]

--cold drops the page cache before every run (needs root) and writes
bench/results-cold.md instead of bench/results.md. --threads lists the helper
thread counts korvint is run with (KORVINT_LISTING_THREADS; 0 = single thread).
"""
import argparse
import os
import platform
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
GEN_TREE = os.path.join(os.path.dirname(REPO), "shared", "tools", "gen_tree.py")
TREES = {
    "100k": dict(files=100_000, dirs=6_000, big="5000,6000,7500"),
    "1m": dict(files=1_000_000, dirs=60_000, big="50000,60000,75000"),
}
FIND_FORMAT = "%P\t%s\t%TY.%Tm.%Td\t%TH:%TM.%TS\n"


def build_korvint():
    build = os.path.join(REPO, "build-bench")
    subprocess.run(["cmake", "-S", REPO, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DKORVINT_BUILD_TESTS=OFF", "-DKORVINT_WITH_QT=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "--target", "korvint"], check=True,
                   stdout=subprocess.DEVNULL)
    return os.path.join(build, "src", "app", "korvint")


def make_tree(folder, name):
    root = os.path.join(folder, "tree-" + name)
    if not os.path.isdir(root):
        shape = TREES[name]
        print(f"making {root} ...", file=sys.stderr)
        subprocess.run([sys.executable, GEN_TREE, root, "--files", str(shape["files"]),
                        "--dirs", str(shape["dirs"]), "--big", shape["big"], "--seed", "1"],
                       check=True, stdout=subprocess.DEVNULL)
    return root


def timed(command, stdout, cold, extra_env=None):
    """Runs command under /usr/bin/time; returns (wall, user, sys, peak RSS KiB)."""
    if cold:
        subprocess.run(["sync"], check=True)
        with open("/proc/sys/vm/drop_caches", "w") as caches:
            caches.write("3\n")
    with tempfile.NamedTemporaryFile("r") as report:
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(extra_env or {})
        subprocess.run(["/usr/bin/time", "-o", report.name, "-f", "%e %U %S %M"] + command,
                       check=True, stdout=stdout, env=env)
        wall, user, system, rss = report.read().split()
    return float(wall), float(user), float(system), int(rss)


def count_lines(path):
    with open(path, "rb") as f:
        return sum(1 for _ in f)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--dir", default=os.environ.get("KORVINT_BENCH_DIR", "/var/tmp/korvint-bench"))
    ap.add_argument("--trees", default="100k,1m")
    ap.add_argument("--cold", action="store_true")
    ap.add_argument("--threads", default="0,4")
    ap.add_argument("--korvint", help="the korvint binary (default: a Release build)")
    a = ap.parse_args()
    os.makedirs(a.dir, exist_ok=True)
    korvint = a.korvint or build_korvint()
    catalogue = os.path.join(a.dir, "bench.lst")
    rows = []
    for name in a.trees.split(","):
        root = make_tree(a.dir, name)
        modes = {(f"korvint, {n} helpers" if n != "0" else "korvint, single thread"): n
                 for n in a.threads.split(",")}
        runs = {tool: [] for tool in list(modes) + ["find"]}
        for _ in range(a.rounds):
            for tool, threads in modes.items():
                runs[tool].append(timed([korvint, root, catalogue], subprocess.DEVNULL, a.cold,
                                        {"KORVINT_LISTING_THREADS": threads}))
            with open(os.devnull, "w") as sink:
                runs["find"].append(timed(["find", root, "-printf", FIND_FORMAT], sink, a.cold))
        entries = count_lines(catalogue) - 1
        medians = {tool: [statistics.median(r[i] for r in results) for i in range(4)]
                   for tool, results in runs.items()}
        for tool in runs:
            wall, user, system, rss = medians[tool]
            rows.append((name, tool, wall, user, system, rss / 1024, entries / wall if wall else 0,
                         wall / medians["find"][0] if medians["find"][0] else 0))
    cpu = "unknown"
    try:
        with open("/proc/cpuinfo") as info:
            cpu = next(line.split(":", 1)[1].strip() for line in info if line.startswith("model name"))
    except (OSError, StopIteration):
        pass
    fs_type = subprocess.run(["stat", "-f", "-c", "%T", a.dir], capture_output=True, text=True).stdout.strip()
    lines = [
        f"Machine: {os.cpu_count()} cores, {cpu}, Linux {platform.release()}, trees on {fs_type}; "
        f"{'cold' if a.cold else 'warm'} cache, median of {a.rounds} interleaved rounds.",
        "",
        "| tree | tool | wall s | user s | sys s | peak RSS MiB | entries/s | x find |",
        "|---|---|---:|---:|---:|---:|---:|---:|",
    ]
    for name, tool, wall, user, system, rss, rate, ratio in rows:
        lines.append(f"| {name} | {tool} | {wall:.2f} | {user:.2f} | {system:.2f} | {rss:.1f} | "
                     f"{rate:,.0f} | {ratio:.2f} |")
    table = "\n".join(lines)
    print(table)
    with open(os.path.join(HERE, "results-cold.md" if a.cold else "results.md"), "w") as out:
        out.write(table + "\n")


if __name__ == "__main__":
    main()
