#!/usr/bin/env python3
"""Times vesko against GNU grep over generated catalogues (not part of the tests).

Usage: bench/vesko_benchmark.py [--dir /tmp/vesko-bench] [--catalogues 10]
           [--entries 1000000] [--rounds 5] [--vesko build/src/hosts/vesko]
           [--compare LABEL=PATH]... [--out bench/results-vesko.md]

Makes the catalogues once with bench/make_catalogues.py (seed 1, a rare word
planted 20 times per catalogue), reads them once so the cache is warm, then for
each query kind runs, interleaved, `rounds` times:
  vesko --catalogues DIR QUERY > FILE      (full paths rebuilt and written)
  vesko --catalogues DIR type:file | head -1 (the time to the first line)
  LC_ALL=C grep -F -i -c WORD *.lst > FILE (where a literal word says the same)
  LC_ALL=C grep -F -c WORD *.lst > FILE
  and each --compare build of vesko the same way as --vesko (two builds timed
  in one run on a busy machine compare fairly; runs far apart do not).
TZ is pinned for every tool and grep's output goes to a file (grep stops at the
first match when it writes to /dev/null). Reported: median wall time, CPU time,
GB/s over the catalogue bytes, vesko's peak anonymous memory (heap and stacks,
not the mapped catalogues: RssAnon sampled from /proc every millisecond) and the
ratio vesko / grep -F -i. The machine is named at the top of the table; on a
shared machine the numbers are indicative, so rerun it on a quiet one.
"""
import argparse, glob, os, platform, statistics, subprocess, sys, tempfile, time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

# (kind, vesko query, literal word grep looks for or None, extra vesko options)
QUERIES = [
    ("rare word", "zebracorn", "zebracorn", []),
    ("common word", "backup", "backup", []),
    ("two words (AND)", "zebracorn csv", None, []),
    ("phrase", '"live remaster"', "live remaster", []),
    ("wildcard", "*.flac", ".flac", []),
    ("non-ASCII word", "ÄRGER", "ärger", []),
    ("word without its accent", "zurich", None, []),
    ("path:", "path:zebracorn", "zebracorn", []),
    ("exclusion", "zebracorn -csv", None, []),
    ("size:", "size:>3GB", None, []),
    ("date:", "date:2019-03-01..2019-03-07", None, []),
    ("ext:", "ext:iso;7z", None, []),
    ("type:file, every result written", "type:file", None, []),
    ("type:file, --count", "type:file", None, ["--count"]),
]


def machine():
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    load = os.getloadavg()[0] if hasattr(os, "getloadavg") else float("nan")
    return "%d cores, %s, %s %s; load average %.1f when the run started" % (
        os.cpu_count(), cpu, platform.system(), platform.release(), load)


def first_line(command, cwd, env):
    """Runs `command` into a pipe as `command | head -1` does; returns the seconds until its first line."""
    start = time.perf_counter()
    process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    process.stdout.readline()
    seconds = time.perf_counter() - start
    process.stdout.close()  # its next write ends it with SIGPIPE, as after head
    process.wait()
    return seconds


def run(command, cwd, env, out_path, sample_memory):
    """Runs `command` with stdout to `out_path`; returns (wall s, cpu s, peak RssAnon KiB)."""
    with open(out_path, "wb") as out:
        start = time.perf_counter()
        process = subprocess.Popen(command, cwd=cwd, env=env, stdout=out, stderr=subprocess.DEVNULL)
        peak = 0
        while True:
            done, code, usage = os.wait4(process.pid, os.WNOHANG if sample_memory else 0)
            if done != 0:
                break
            try:
                with open("/proc/%d/status" % process.pid) as status:
                    for line in status:
                        if line.startswith("RssAnon:"):
                            peak = max(peak, int(line.split()[1]))
            except OSError:
                pass
            time.sleep(0.001)
        process.returncode = os.waitstatus_to_exitcode(code)
        wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(code) not in (0, 1):
        sys.exit("failed: %s" % " ".join(command))
    return wall, usage.ru_utime + usage.ru_stime, peak


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--dir", default="/tmp/vesko-bench")
    ap.add_argument("--catalogues", type=int, default=10)
    ap.add_argument("--entries", type=int, default=1_000_000)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--vesko", default=os.path.join(ROOT, "build", "src", "hosts", "vesko"))
    ap.add_argument("--compare", action="append", default=[], metavar="LABEL=PATH",
                    help="another vesko build timed in the same rounds, shown as 'vesko LABEL'")
    ap.add_argument("--only", action="append", default=[], metavar="KIND",
                    help="run only the query kinds that start with KIND (repeatable)")
    ap.add_argument("--out", default=os.path.join(HERE, "results-vesko.md"))
    a = ap.parse_args()
    builds = [("vesko", a.vesko)]
    for item in a.compare:
        label, sep, path = item.partition("=")
        if not sep or not label or not path:
            sys.exit("--compare wants LABEL=PATH, not %r" % item)
        builds.append(("vesko " + label, path))

    folder = os.path.join(a.dir, "catalogues")
    files = sorted(glob.glob(os.path.join(folder, "*.lst")))
    if len(files) != a.catalogues:
        subprocess.run([sys.executable, os.path.join(HERE, "make_catalogues.py"), folder,
                        "--catalogues", str(a.catalogues), "--entries", str(a.entries), "--seed", "1"], check=True)
        files = sorted(glob.glob(os.path.join(folder, "*.lst")))
    total = sum(os.path.getsize(f) for f in files)
    for f in files:  # warm cache
        with open(f, "rb") as data:
            while data.read(1 << 24):
                pass
    names = [os.path.basename(f) for f in files]
    env = dict(os.environ, TZ="UTC", LC_ALL="C")
    scratch = tempfile.mkdtemp(prefix="vesko-bench-")
    header = machine()
    rows = []
    per_result = []
    for kind, query, word, extra in QUERIES:
        if a.only and not any(kind.startswith(prefix) for prefix in a.only):
            continue
        tools = [(label, [path, "--catalogues", folder] + extra + ["--", query], True) for label, path in builds]
        if word is not None:
            tools.append(("grep -F -i", ["grep", "-F", "-i", "-c", word] + names, False))
            tools.append(("grep -F", ["grep", "-F", "-c", word] + names, False))
        times = {name: [] for name, _, _ in tools}
        cpu = {name: [] for name, _, _ in tools}
        peak = {name: 0 for name, _, _ in tools}
        for _ in range(a.rounds):
            for name, command, sample in tools:
                wall, used, rss = run(command, folder, env, os.path.join(scratch, "out.txt"), sample)
                times[name].append(wall)
                cpu[name].append(used)
                peak[name] = max(peak[name], rss)
        counts = {label: subprocess.run([path, "--count", "--catalogues", folder] + ["--", query], env=env,
                                        capture_output=True, text=True).stdout.strip() for label, path in builds}
        if len(set(counts.values())) != 1:
            print("builds disagree on %s: %s" % (query, counts), file=sys.stderr)
        base = statistics.median(times["grep -F -i"]) if "grep -F -i" in times else None
        for name, _, _ in tools:
            wall = statistics.median(times[name])
            is_vesko = name.startswith("vesko")
            rows.append("| %s | `%s` | %s | %s | %.3f | %.3f | %.2f | %s | %s |" % (
                kind, query if is_vesko else word, name, counts.get(name, ""),
                wall, statistics.median(cpu[name]),
                total / wall / 1e9, "%.1f" % (peak[name] / 1024) if is_vesko else "",
                ("%.2f" % (wall / base)) if base and name != "grep -F -i" else ("1.00" if base else "")))
        print("\n".join(rows[-len(tools):]), flush=True)
        for label, _ in builds:
            found = int(counts[label]) if counts[label].isdigit() else 0
            if found >= 1_000_000:
                per_result.append("%s: %s results of `%s` in %.1f MiB of heap at most." % (
                    label, format(found, ","), " ".join(extra + [query]), peak[label] / 1024))
    # How soon the first result is out while the rest is searched.
    seconds = {label: [] for label, _ in builds}
    for _ in range(a.rounds):
        for label, path in builds:
            seconds[label].append(first_line([path, "--catalogues", folder, "--", "type:file"], folder, env))
    for label, _ in builds:
        per_result.append("%s: the first line of `%s type:file | head -1` after %.3f s (median)." % (
            label, label.split()[0], statistics.median(seconds[label])))
    table = [
        "Machine: %s." % header,
        "%d catalogues of %s entries, %.0f MB in all; warm cache; median of %d interleaved rounds; TZ=UTC, LC_ALL=C." % (
            len(files), format(a.entries, ","), total / 1e6, a.rounds),
        "",
        "| query kind | query | tool | results | wall s | CPU s | GB/s | vesko heap MiB | x grep -F -i |",
        "|---|---|---|---:|---:|---:|---:|---:|---:|",
    ] + rows + [""] + per_result
    with open(a.out, "w") as f:
        f.write("# Vesko search benchmark\n\nMade by `bench/vesko_benchmark.py`; catalogues from "
                "`bench/make_catalogues.py`. vesko writes every result with its full path rebuilt "
                "(except the --count row); grep only counts lines. vesko spreads a search over every "
                "core, so on a machine busy with other work (see the load average) its wall time "
                "loses what the idle cores would give; CPU s is the fairer comparison there. "
                "GB/s is the catalogue bytes over the wall time." + (
                    " Rows named `vesko LABEL` are other builds (--compare LABEL=PATH) timed in the same rounds."
                    if len(builds) > 1 else "")
                + "\n\n" + "\n".join(table) + "\n")
    print("written", a.out)


if __name__ == "__main__":
    main()
