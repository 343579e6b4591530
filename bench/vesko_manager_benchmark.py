#!/usr/bin/env python3
"""Times `vesko --tree` and `vesko --list` of a generated catalogue beside one
full search of the same file (not part of the tests).

Usage: bench/vesko_manager_benchmark.py [--dir /tmp/vesko-manager-bench]
           [--entries 1000000] [--rounds 5] [--vesko build/src/hosts/vesko]
           [--out bench/results-vesko-manager.md]

Makes one catalogue once with bench/make_catalogues.py (seed 1), reads it once
so the cache is warm, then runs, interleaved, `rounds` times, each under
/usr/bin/time -v with its output written to a file:
  vesko --tree CAT                  (the root and its folders: one pass, every total)
  vesko --tree CAT --depth 1000     (every folder printed with its totals)
  vesko --list                      (the overview: one pass over every line)
  vesko --count type:file           (a search that parses every line)
  vesko --count backup              (one full search of the same file, a common word)
TZ and LC_ALL are pinned for every run. Reported: the median wall time, CPU
time (user + system) and peak resident memory (GNU time's maximum resident set
size, which counts the binary's pages too), and the ratio of the wall time to
the common-word search's. The wall time is taken around the run (GNU time
gives it to 10 ms only).
"""
import argparse, os, statistics, subprocess, sys, tempfile, time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
from vesko_benchmark import machine  # noqa: E402


def timed(command, env, out_path):
    """Runs `command` under /usr/bin/time -v, stdout to `out_path`; returns (wall s, cpu s, peak RSS KiB)."""
    with open(out_path, "wb") as out:
        start = time.perf_counter()
        result = subprocess.run(["/usr/bin/time", "-v"] + command, env=env, stdout=out, stderr=subprocess.PIPE,
                                check=False)
        wall = time.perf_counter() - start  # GNU time gives the wall time to 10 ms only
    facts = {}
    for line in result.stderr.decode("utf-8", "replace").splitlines():
        if ":" in line:
            key, value = line.strip().rsplit(":", 1)
            facts[key.strip()] = value.strip()
    if result.returncode not in (0, 1):
        sys.exit("%s ended with %d:\n%s" % (" ".join(command), result.returncode, result.stderr.decode()))
    cpu = float(facts["User time (seconds)"]) + float(facts["System time (seconds)"])
    return wall, cpu, int(facts["Maximum resident set size (kbytes)"])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", default="/tmp/vesko-manager-bench")
    parser.add_argument("--entries", type=int, default=1000000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--vesko", default=os.path.join(ROOT, "build", "src", "hosts", "vesko"))
    parser.add_argument("--out", default=os.path.join(HERE, "results-vesko-manager.md"))
    a = parser.parse_args()
    folder = os.path.abspath(a.dir)
    os.makedirs(folder, exist_ok=True)
    catalogue = os.path.join(folder, "disk01.lst")
    if not os.path.exists(catalogue):
        subprocess.run([sys.executable, os.path.join(HERE, "make_catalogues.py"), folder, "--catalogues", "1",
                        "--entries", str(a.entries), "--seed", "1"], check=True)
    if not os.path.exists(catalogue):
        sys.exit("make_catalogues.py wrote no %s" % catalogue)
    with open(catalogue, "rb") as data:  # warm cache
        while data.read(1 << 24):
            pass
    size = os.path.getsize(catalogue)
    env = dict(os.environ, TZ="UTC", LC_ALL="C")
    vesko = os.path.abspath(a.vesko)
    runs = [
        ("--tree CAT (root and its folders)", [vesko, "--catalogues", folder, "--tree", "disk01"]),
        ("--tree CAT --depth 1000 (every folder)", [vesko, "--catalogues", folder, "--tree", "disk01",
                                                    "--depth", "1000"]),
        ("--list", [vesko, "--catalogues", folder, "--list"]),
        ("--count type:file (a search that reads every line)", [vesko, "--catalogues", folder, "--count",
                                                                "type:file"]),
        ("--count backup (one full search)", [vesko, "--catalogues", folder, "--count", "backup"]),
    ]
    scratch = tempfile.mkdtemp(prefix="vesko-manager-bench-")
    header = machine()
    samples = {label: [] for label, _ in runs}
    for round_ in range(a.rounds):
        for i in range(len(runs)):
            label, command = runs[(i + round_) % len(runs)]
            samples[label].append(timed(command, env, os.path.join(scratch, "out-%d.txt" % i)))
    lines_out = {}
    for i, (label, command) in enumerate(runs):
        out = subprocess.run(command, env=env, stdout=subprocess.PIPE, check=False).stdout
        lines_out[label] = out.count(b"\n")
    search = statistics.median(s[0] for s in samples[runs[-1][0]])
    with open(catalogue, "rb") as data:
        folders = sum(1 for line in data if b"\\\t0\t" in line)
    text = ["# Vesko's overview and folder totals beside one search",
            "",
            "Made by `bench/vesko_manager_benchmark.py`; the catalogue by `bench/make_catalogues.py` "
            "(seed 1): %d entries, %d of them folders, %.0f MB. Warm cache; median of %d interleaved rounds; "
            "TZ=UTC, LC_ALL=C. Peak memory is GNU time's maximum resident set size (binary and libraries "
            "included); vesko reads the catalogue, never maps it." % (a.entries, folders, size / 1e6, a.rounds),
            "",
            "Machine: %s." % header,
            "",
            "| command | lines printed | wall s | CPU s | peak RSS MiB | x search |",
            "|---|---:|---:|---:|---:|---:|"]
    for label, _ in runs:
        wall = statistics.median(s[0] for s in samples[label])
        cpu = statistics.median(s[1] for s in samples[label])
        rss = statistics.median(s[2] for s in samples[label]) / 1024
        text.append("| `vesko %s` | %d | %.3f | %.3f | %.1f | %.2f |" % (label, lines_out[label], wall, cpu, rss,
                                                                       wall / search))
    with open(a.out, "w") as f:
        f.write("\n".join(text) + "\n")
    print("\n".join(text))
    print("written", a.out)


if __name__ == "__main__":
    main()
