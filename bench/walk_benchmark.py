#!/usr/bin/env python3
"""Times korvint's batch scan against references that write the same fields.

Every tool lists the same tree and writes one line per entry (name, size, date,
time) to a file in the trees' folder, with the same pinned TZ and LC_ALL:

  korvint     the Qt-linked build users run (scripts/run.sh) and/or the build
              without Qt, once per helper count in --threads
  floor       bench/floor_walk.c: one thread, openat + getdents64 + statx,
              cheap formatting, the output synced as korvint syncs its catalogue
  find        TZ=... find ROOT -printf '%P\\t%s\\t%TY.%Tm.%Td\\t%TH:%TM.%TS\\n' > FILE
  bfs         the same -printf (bfs 2.x reads GNU find's directives)
  find-tz-unset, floor-nosync   optional: find without TZ (glibc then checks
              /etc/localtime at every date), the floor without its fsync

Rounds are interleaved (each round runs every tool once, the order rotated by
one each round) and the table gives medians with the min-max of the wall time.
--cache cold drops the page cache before every run (root only). A start-up
table times every tool on an empty folder (the spawn cost of /bin/true beside
it). Results go to --out as Markdown, naming the machine; raw runs to a CSV
beside the outputs.

Trees are made once with shared/tools/gen_tree.py, seed 1, in --dir and reused:
  100k  100,000 files,   6,000 folders      300k  300,000 files, 20,000 folders
  1m    1,000,000 files, 60,000 folders
"""
import argparse
import csv
import datetime
import os
import platform
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
TREES = {
    "100k": dict(files=100_000, dirs=6_000, big="5000,6000,7500"),
    "300k": dict(files=300_000, dirs=20_000, big="15000,18000,22500"),
    "1m": dict(files=1_000_000, dirs=60_000, big="50000,60000,75000"),
}
PRINTF_FORMAT = "%P\t%s\t%TY.%Tm.%Td\t%TH:%TM.%TS\n"
HIDDEN_ENV = ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "KORVINT_LISTING_THREADS", "TZ",
              "LC_ALL", "LANG")
REFERENCES = ("floor", "find", "bfs")
TIME = "/usr/bin/time"  # GNU time (Debian package time)


def default_dir():
    if os.environ.get("KORVINT_BENCH_DIR"):
        return os.environ["KORVINT_BENCH_DIR"]
    return "/work/bench-trees" if os.path.isdir("/work") else "/var/tmp/korvint-bench"


def find_gen_tree():
    for candidate in (os.path.join(REPO, "..", "shared", "tools", "gen_tree.py"),
                      os.path.join(REPO, "..", "..", "shared", "tools", "gen_tree.py"),
                      "/work/shared/tools/gen_tree.py"):
        if os.path.isfile(candidate):
            return os.path.abspath(candidate)
    sys.exit("walk_benchmark: shared/tools/gen_tree.py not found beside the repository")


def need_program(name, package):
    if shutil.which(name):
        return
    if os.geteuid() != 0:
        sys.exit(f"walk_benchmark: {name} is missing: apt-get install {package}")
    print(f"installing {package} ...", file=sys.stderr)
    subprocess.run(["apt-get", "install", "-y", "-q", package], check=True,
                   stdout=subprocess.DEVNULL, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


def build_korvint(flavour):
    """Builds korvint Release with (qt) or without (noqt) its Qt window; returns the binary."""
    build = os.path.join(REPO, f"build-bench-{flavour}")
    options = ["-DCMAKE_BUILD_TYPE=Release", "-DKORVINT_BUILD_TESTS=OFF",
               f"-DKORVINT_WITH_QT={'ON' if flavour == 'qt' else 'OFF'}"]
    print(f"building korvint ({flavour}) in {build} ...", file=sys.stderr)
    subprocess.run(["cmake", "-S", REPO, "-B", build, "-G", "Ninja"] + options, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "-j2", "--target", "korvint"], check=True,
                   stdout=subprocess.DEVNULL)
    found = [os.path.join(d, "korvint") for d, _, files in os.walk(build) if "korvint" in files]
    found = [f for f in found if os.access(f, os.X_OK)]
    if len(found) != 1:
        sys.exit(f"walk_benchmark: expected one korvint binary in {build}, found {found}")
    return found[0]


def has_window(binary):
    """True for a korvint with its Qt window: linked to Qt (older builds) or
    with the window module it loads when a window opens beside it."""
    libraries = subprocess.run(["ldd", binary], capture_output=True, text=True).stdout
    module = os.path.join(os.path.dirname(binary), "..", "lib", "korvint", "korvint-window.so")
    return "libQt6" in libraries or os.path.exists(module)


def build_floor():
    build = os.path.join(REPO, "build-bench")
    os.makedirs(build, exist_ok=True)
    binary = os.path.join(build, "floor_walk")
    subprocess.run(["cc", "-O2", "-Wall", "-Wextra", "-o", binary,
                    os.path.join(HERE, "floor_walk.c")], check=True)
    return binary


def make_tree(folder, name):
    """The tree NAME in folder, generated once; a marker file says it is complete."""
    root = os.path.join(folder, "tree-" + name)
    marker = root + ".done"
    if os.path.isfile(marker):
        return root
    if os.path.exists(root):
        sys.exit(f"walk_benchmark: {root} exists without {marker} (an interrupted generation?): "
                 f"remove it and run again")
    shape = TREES[name]
    print(f"making {root} (a 1m tree takes about 5 minutes) ...", file=sys.stderr)
    done = subprocess.run([sys.executable, find_gen_tree(), root, "--files", str(shape["files"]),
                           "--dirs", str(shape["dirs"]), "--big", shape["big"], "--seed", "1"],
                          check=True, capture_output=True, text=True)
    with open(marker, "w") as f:
        f.write(done.stdout)
    return root


class Tool:
    """One row of the tables: a command line writing to `output`, and its environment."""

    def __init__(self, label, kind, argv, env, output, to_stdout):
        self.label, self.kind, self.argv, self.env = label, kind, argv, env
        self.output, self.to_stdout = output, to_stdout

    def command(self, root):
        """The command line for one run on root."""
        return [a.replace("{ROOT}", root).replace("{OUT}", self.output) for a in self.argv]


def make_tools(a, binaries, floor, out_dir):
    """The rows to time: each korvint build at each helper count, then the references."""
    base = {k: v for k, v in os.environ.items() if k not in HIDDEN_ENV}
    base["LC_ALL"] = "C"
    pinned = dict(base, TZ=a.tz)
    tools = []

    def add(label, kind, argv, env, to_stdout=False):
        slug = "".join(c if c.isalnum() else "-" for c in label).strip("-")
        tools.append(Tool(label, kind, argv, env, os.path.join(out_dir, slug + ".lst"), to_stdout))

    for flavour, binary in binaries.items():
        name = "korvint (Qt)" if flavour == "qt" else "korvint (no Qt)"
        for threads in a.threads.split(","):
            env = dict(pinned)
            if threads == "default":
                label = f"{name}, default helpers"
            else:
                env["KORVINT_LISTING_THREADS"] = threads
                label = f"{name}, one thread" if threads == "0" else f"{name}, {threads} helpers"
            add(label, "korvint", [binary, "{ROOT}", "{OUT}"], env)
    wanted = a.tools.split(",")
    if "floor" in wanted:
        add("floor (1 thread)", "floor", [floor, "{ROOT}", "{OUT}"], pinned)
    if "floor-nosync" in wanted:
        add("floor, no fsync", "floor-nosync", [floor, "--no-sync", "{ROOT}", "{OUT}"], pinned)
    if "find" in wanted:
        add("find", "find", ["find", "{ROOT}", "-printf", PRINTF_FORMAT], pinned, True)
    if "find-tz-unset" in wanted:
        add("find, TZ unset", "find-tz-unset", ["find", "{ROOT}", "-printf", PRINTF_FORMAT], base,
            True)
    if "bfs" in wanted:
        add("bfs", "bfs", ["bfs", "{ROOT}", "-printf", PRINTF_FORMAT], pinned, True)
    return tools


def drop_caches():
    with open("/proc/sys/vm/drop_caches", "w") as caches:
        caches.write("3\n")


def measure(tool, root, cold):
    """Runs the tool once on root; returns (wall s, user s, sys s, peak RSS KiB)."""
    if os.path.exists(tool.output):
        os.unlink(tool.output)
    subprocess.run(["sync"], check=True)
    if cold:
        drop_caches()
    # GNU time reports the peak RSS: a child forked from this Python process would
    # count Python's own pages, GNU time's child starts from a small process.
    with tempfile.TemporaryFile() as errors, tempfile.NamedTemporaryFile("r") as peak:
        stdout = open(tool.output, "wb") if tool.to_stdout else subprocess.DEVNULL
        try:
            start = time.perf_counter()
            process = subprocess.Popen([TIME, "-f", "%M", "-o", peak.name] + tool.command(root),
                                       stdout=stdout, stderr=errors, env=tool.env)
            _, status, usage = os.wait4(process.pid, 0)
            wall = time.perf_counter() - start
            process.returncode = os.waitstatus_to_exitcode(status)
        finally:
            if stdout is not subprocess.DEVNULL:
                stdout.close()
        if process.returncode != 0:
            errors.seek(0)
            text = errors.read().decode(errors="replace")[-2000:]
            sys.exit(f"walk_benchmark: {tool.label} failed ({process.returncode}) on {root}:\n{text}")
        rss = int(peak.read().split()[-1])
    return wall, usage.ru_utime, usage.ru_stime, rss


def lines_after_first(path):
    with open(path, "rb") as f:
        f.readline()
        while True:
            block = f.read(1 << 20)
            if not block:
                return
            yield block


def check_outputs(tools):
    """Problems with the outputs of one round: korvint's catalogue must equal the
    floor's line for line (after the header), the others must list as many entries."""
    problems = []
    counts = {}
    for tool in tools:
        with open(tool.output, "rb") as f:
            counts[tool.label] = sum(block.count(b"\n") for block in iter(lambda: f.read(1 << 20), b""))
    floor = next((t for t in tools if t.kind == "floor"), None)
    for tool in tools:
        if tool.kind == "korvint" and floor is not None:
            if b"".join(lines_after_first(tool.output)) != b"".join(lines_after_first(floor.output)):
                problems.append(f"{tool.label}: catalogue differs from the floor's lines")
    entries = {label: n - 1 for label, n in counts.items()}  # header line / the root itself
    if len(set(entries.values())) > 1:
        problems.append("entry counts differ: " + ", ".join(f"{k} {v}" for k, v in entries.items()))
    return problems, max(entries.values())


def run_rounds(tools, root, rounds, cold, raw, tree, cache):
    runs = {tool.label: [] for tool in tools}
    problems, entries = [], 0
    if not cold:  # one unmeasured pass so that every tool meets the same warm cache
        measure(tools[0], root, False)
    for r in range(rounds):
        order = tools[r % len(tools):] + tools[:r % len(tools)]
        for tool in order:
            result = measure(tool, root, cold)
            runs[tool.label].append(result)
            raw.writerow([tree, cache, r + 1, tool.label, *(f"{x:.4f}" for x in result[:3]), result[3]])
            print(f"  [{tree} {cache} {r + 1}/{rounds}] {tool.label}: {result[0]:.2f} s",
                  file=sys.stderr)
        if r == 0:
            problems, entries = check_outputs(tools)
            for p in problems:
                print(f"  WARNING: {p}", file=sys.stderr)
    return runs, entries, problems


def ratio(value, reference):
    return f"{value / reference:.2f}" if reference else "–"


def speed_table(tree, tools, runs, entries):
    medians = {label: [statistics.median(r[i] for r in results) for i in range(4)]
               for label, results in runs.items()}
    reference = {}
    for kind in REFERENCES:
        tool = next((t for t in tools if t.kind == kind), None)
        reference[kind] = medians[tool.label][0] if tool else 0
    rows = []
    for tool in tools:
        wall, user, system, rss = medians[tool.label]
        walls = [r[0] for r in runs[tool.label]]
        rows.append(f"| {tree} | {tool.label} | {wall:.2f} | {min(walls):.2f}–{max(walls):.2f} | "
                    f"{user:.2f} | {system:.2f} | {rss / 1024:.1f} | {entries / wall:,.0f} | "
                    + " | ".join(ratio(wall, reference[k]) for k in REFERENCES) + " |")
    return rows


def startup_table(tools, folder, runs):
    """Each tool on an empty folder, `runs` interleaved times, beside /bin/true."""
    empty = os.path.join(folder, "empty")
    os.makedirs(empty, exist_ok=True)
    spawn = Tool("/bin/true (spawn cost)", "spawn", ["/bin/true"], tools[0].env,
                 os.path.join(folder, "out", "true.lst"), False)
    seen, subjects = set(), [spawn]
    for tool in tools:  # one row per binary: helper counts do not change the start
        key = (tool.kind, tool.argv[0])
        if key not in seen:
            seen.add(key)
            subjects.append(tool)
    results = {t.label: [] for t in subjects}
    for _ in range(runs):
        for tool in subjects:
            results[tool.label].append(measure(tool, empty, False))
    rows = []
    for tool in subjects:
        label = tool.label.split(",")[0] if tool.kind == "korvint" else tool.label
        wall = statistics.median(r[0] for r in results[tool.label]) * 1000
        cpu = statistics.median(r[1] + r[2] for r in results[tool.label]) * 1000
        rss = statistics.median(r[3] for r in results[tool.label]) / 1024
        rows.append(f"| {label} | {wall:.1f} | {cpu:.1f} | {rss:.1f} |")
    return rows


def machine_lines(folder, tz):
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    fs = subprocess.run(["findmnt", "-n", "-o", "FSTYPE,SOURCE,OPTIONS", "--target", folder],
                        capture_output=True, text=True).stdout.split()
    fs_text = f"{fs[0]} on {fs[1]} ({fs[2]})" if len(fs) >= 3 else "unknown"
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30

    def first_line(argv):
        try:
            return subprocess.run(argv, capture_output=True, text=True).stdout.splitlines()[0]
        except (OSError, IndexError):
            return "missing"

    commit = subprocess.run(["git", "-C", REPO, "describe", "--always", "--dirty"],
                            capture_output=True, text=True).stdout.strip()
    return [
        f"- Machine: {cpu}, {os.cpu_count()} cores, {memory:.0f} GiB, Linux {platform.release()}",
        f"- Trees in {folder}: {fs_text}",
        f"- korvint at {commit}, Release; {first_line(['find', '--version'])}; "
        f"{first_line(['bfs', '--version'])}; floor_walk built with {first_line(['cc', '--version'])}",
        f"- Every tool ran with TZ={tz} and LC_ALL=C, output to a file in the trees' folder; "
        "korvint and the floor sync their output before they end, find and bfs do not.",
    ]


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--trees", default="100k,1m", help="comma list of " + ", ".join(TREES))
    ap.add_argument("--dir", default=default_dir(), help="trees and outputs (default %(default)s)")
    ap.add_argument("--cache", default="warm,cold", help="warm, cold or both (cold needs root)")
    ap.add_argument("--cold", action="store_true", help="the same as --cache cold")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--threads", default="0,default",
                    help="korvint helper counts; 'default' leaves KORVINT_LISTING_THREADS unset")
    ap.add_argument("--builds", default="qt,noqt", help="korvint builds: qt (what users run), noqt")
    ap.add_argument("--tools", default="floor,find,bfs",
                    help="references: floor, find, bfs, find-tz-unset, floor-nosync")
    ap.add_argument("--tz", default="UTC")
    ap.add_argument("--startup-runs", type=int, default=30, help="0 leaves the start-up table out")
    ap.add_argument("--korvint-qt", help="a Qt-linked korvint binary instead of building one")
    ap.add_argument("--korvint-noqt", help="a korvint binary without Qt instead of building one")
    ap.add_argument("--note", default="", help="a line added under the heading (e.g. a busy machine)")
    ap.add_argument("--out", default=os.path.join(HERE, "results.md"))
    a = ap.parse_args()
    caches = ["cold"] if a.cold else a.cache.split(",")
    for name in a.trees.split(","):
        if name not in TREES:
            sys.exit(f"walk_benchmark: unknown tree {name!r} (known: {', '.join(TREES)})")
    if "cold" in caches and os.geteuid() != 0:
        sys.exit("walk_benchmark: dropping the page cache for --cache cold needs root")
    if not os.access(TIME, os.X_OK):
        need_program("time", "time")
    wanted = a.tools.split(",")
    if "bfs" in wanted:
        need_program("bfs", "bfs")

    binaries = {}
    for flavour in a.builds.split(","):
        given = a.korvint_qt if flavour == "qt" else a.korvint_noqt
        binaries[flavour] = os.path.abspath(given) if given else build_korvint(flavour)
        if has_window(binaries[flavour]) != (flavour == "qt"):
            sys.exit(f"walk_benchmark: {binaries[flavour]} is not a {flavour} build "
                     "(Qt 6 Widgets missing? scripts/install-deps.sh installs it)")
    floor = build_floor()
    out_dir = os.path.join(a.dir, "out")
    os.makedirs(out_dir, exist_ok=True)
    tools = make_tools(a, binaries, floor, out_dir)

    started = datetime.datetime.now()
    load_before = open("/proc/loadavg").read().split()[:3]
    raw_path = os.path.join(out_dir, f"runs-{started:%Y%m%d-%H%M%S}.csv")
    sections, all_problems = [], []
    # Line-buffered, so the runs made so far are kept when a long run is stopped.
    with open(raw_path, "w", newline="", buffering=1) as raw_file:
        raw = csv.writer(raw_file)
        raw.writerow(["tree", "cache", "round", "tool", "wall_s", "user_s", "sys_s", "maxrss_kib"])
        if a.startup_runs > 0:
            print("start-up on an empty folder ...", file=sys.stderr)
            sections += ["## Start-up (an empty folder, warm)", "",
                         f"Median of {a.startup_runs} interleaved runs; the spawn cost of /bin/true "
                         "from the same harness is included in every row.", "",
                         "| tool | wall ms | user+sys ms | peak RSS MiB |", "|---|---:|---:|---:|"]
            sections += startup_table(tools, a.dir, a.startup_runs) + [""]
        for cache in caches:
            rows = []
            for name in a.trees.split(","):
                root = make_tree(a.dir, name)
                runs, entries, problems = run_rounds(tools, root, a.rounds, cache == "cold", raw,
                                                     name, cache)
                all_problems += [f"{name} {cache}: {p}" for p in problems]
                rows += speed_table(name, tools, runs, entries)
            what = ("the page cache dropped before every run" if cache == "cold"
                    else "warm cache (one unmeasured pass first)")
            sections += [f"## {cache.capitalize()}: {what}", "",
                         f"Median of {a.rounds} interleaved rounds (min–max of the wall time beside "
                         "it); entries/s counts folders and files.", "",
                         "| tree | tool | wall s | wall min–max | user s | sys s | peak RSS MiB | "
                         "entries/s | x floor | x find | x bfs |",
                         "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"] + rows + [""]
    load_after = open("/proc/loadavg").read().split()[:3]
    minutes = (datetime.datetime.now() - started).total_seconds() / 60
    header = ["# Walk benchmark", "",
              f"Taken {started:%Y-%m-%d %H:%M}, {minutes:.0f} minutes, with "
              f"`bench/walk_benchmark.py {shlex.join(sys.argv[1:])}`.", ""]
    if a.note:
        header += [a.note, ""]
    header += machine_lines(a.dir, a.tz)
    header += [f"- Load average before {' '.join(load_before)}, after {' '.join(load_after)}; "
               f"raw runs in {raw_path}", ""]
    if all_problems:
        header += ["**Output problems:**", ""] + [f"- {p}" for p in all_problems] + [""]
    else:
        header += ["Checked: every korvint catalogue equals the floor's line for line, and every "
                   "tool listed the same number of entries.", ""]
    text = "\n".join(header + sections)
    print(text)
    with open(a.out, "w") as out:
        out.write(text)
    print(f"written to {a.out}", file=sys.stderr)


if __name__ == "__main__":
    main()
