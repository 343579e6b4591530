#!/usr/bin/env python3
"""Times `vesko --duplicates` and `vesko --compare` beside one full search of the
same catalogues (not part of the tests).

Usage: bench/vesko_manager_dup_benchmark.py [--dir /tmp/vesko-dup-bench]
           [--disks 5] [--entries 1000000] [--rounds 3]
           [--vesko build/src/hosts/vesko] [--baseline OTHER_VESKO] [--only duplicates|compare]
           [--compare-only] [--out bench/results-vesko-manager-dup.md]

Makes `disks` catalogues once with bench/make_catalogues.py (seed 1) and beside
each a backup of it (`diskNN-backup.lst`): the same lines but one in 100 file
lines left out, one in 200 with another size, one in 200 with another date,
a few hundred new files and the tenth top-level folder left out with everything
below it. So the 2 × `disks` catalogues hold many duplicates (every file of a
disk is on its backup), the worst case for --duplicates' memory, and each disk
with its backup is what --compare is for. Then, interleaved, `rounds` times:
  vesko --count type:file                  (one full search: every line looked at)
  vesko type:file > FILE                   (the same, every path rebuilt and written)
  vesko --duplicates [--by KEYS] > FILE
  vesko --count type:file  over disk01 and its backup alone
  vesko --compare disk01 disk01-backup [--all] > FILE
with TZ pinned for every run; with --baseline, each of them also with that
other build (main's, say), interleaved with this one's. Reported: the median wall time, user and system
time and peak resident memory (GNU time's %M), the number of output lines,
and the ratio to the full search of the same files. The machine is named in
the result; on a shared machine the numbers are indicative.
"""
import argparse, hashlib, os, platform, random, shutil, statistics, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def machine():
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    return "%d cores, %s, %s %s; load average %.1f when the run started" % (
        os.cpu_count(), cpu, platform.system(), platform.release(), os.getloadavg()[0])


def make_backup(source, target, seed):
    """Writes `target`: `source` with the changes a stale backup has."""
    rng = random.Random(seed)
    with open(source, "rb") as f:
        lines = f.read().split(b"\r\n")
    out = [lines[0]]
    top_level = 0
    dropping = None
    for line in lines[1:]:
        if not line:
            continue
        fields = line.split(b"\t")
        path = fields[0]
        if path.endswith(b"\\"):
            if dropping is not None and path.startswith(dropping):
                continue
            dropping = None
            if path.count(b"\\") == 1:
                top_level += 1
                if top_level == 10:
                    dropping = path
                    continue
        elif dropping is not None:
            continue
        else:
            roll = rng.random()
            if roll < 0.01:
                continue
            if roll < 0.015:
                fields[1] = str(int(fields[1]) + 1).encode()
            elif roll < 0.02:
                fields[2] = b" 2024.1.1"
            elif roll < 0.0205:
                out.append(b"new_%d.txt\t%d\t 2024.1.1\t0:0.0" % (len(out), rng.randrange(1, 10**6)))
        out.append(b"\t".join(fields))
    with open(target, "wb") as f:
        f.write(b"\r\n".join(out) + b"\r\n")


def timed(command, env, out_path):
    """Runs `command` under GNU time; (wall s, user s, sys s, peak KiB, output lines)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report, open(out_path, "wb") as out:
        status = subprocess.run(["/usr/bin/time", "-f", "%e %U %S %M", "-o", report.name] + command, env=env,
                                stdout=out, stderr=subprocess.DEVNULL).returncode
        wall, user, system, peak = report.read().split()[-4:]
    if status not in (0, 1):
        sys.exit("%s ended with %d" % (" ".join(command), status))
    digest = hashlib.sha256()
    lines = 0
    with open(out_path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
            lines += block.count(b"\n")
    return float(wall), float(user), float(system), int(peak), lines, digest.hexdigest(), os.getloadavg()[0]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", default="/tmp/vesko-dup-bench")
    parser.add_argument("--disks", type=int, default=5)
    parser.add_argument("--entries", type=int, default=1000000)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--vesko", default=os.path.join(ROOT, "build", "src", "hosts", "vesko"))
    parser.add_argument("--baseline", help="another vesko to time beside this one, interleaved")
    parser.add_argument("--out", default=os.path.join(HERE, "results-vesko-manager-dup.md"))
    parser.add_argument("--only", choices=("duplicates", "compare"),
                        help="time only the rows of the 2 x disks catalogues (duplicates) or of the pair (compare)")
    parser.add_argument("--compare-only", action="store_true", help="the same as --only compare")
    args = parser.parse_args()
    if not os.path.exists("/usr/bin/time"):
        subprocess.run(["apt-get", "install", "-y", "time"], check=True)

    folder = os.path.join(args.dir, "all")
    pair = os.path.join(args.dir, "pair")
    if not os.path.isdir(folder):
        os.makedirs(folder)
        subprocess.run([sys.executable, os.path.join(HERE, "make_catalogues.py"), folder, "--catalogues",
                        str(args.disks), "--entries", str(args.entries), "--seed", "1"], check=True)
        for n in range(1, args.disks + 1):
            make_backup(os.path.join(folder, "disk%02d.lst" % n), os.path.join(folder, "disk%02d-backup.lst" % n), n)
        os.makedirs(pair)
        for name in ("disk01.lst", "disk01-backup.lst"):
            shutil.copy(os.path.join(folder, name), os.path.join(pair, name))
    env = dict(os.environ, TZ="UTC", LC_ALL="C")
    rows = [
        ("all", "full search: `--count type:file`", ["--count", "type:file"]),
        ("all", "full search, every path written: `type:file`", ["type:file"]),
        ("all", "`--duplicates` (name, size)", ["--duplicates"]),
        ("all", "`--duplicates --by size,date`", ["--duplicates", "--by", "size,date"]),
        ("all", "`--duplicates --by name`", ["--duplicates", "--by", "name"]),
        ("all", "`--duplicates ext:jpg size:>1M`", ["--duplicates", "ext:jpg", "size:>1M"]),
        ("pair", "full search of both: `--count type:file`", ["--count", "type:file"]),
        ("pair", "`--compare disk01 disk01-backup`", ["--compare", "disk01", "disk01-backup"]),
        ("pair", "`--compare disk01 disk01-backup --all`", ["--compare", "disk01", "disk01-backup", "--all"]),
    ]
    if args.compare_only:
        args.only = "compare"
    if args.only:
        rows = [row for row in rows if (row[0] == "all") == (args.only == "duplicates")]
    for name in os.listdir(folder):  # read once, so every round finds them in the cache
        with open(os.path.join(folder, name), "rb") as f:
            while f.read(1 << 24):
                pass
    builds = [("", os.path.abspath(args.vesko))]
    if args.baseline:
        builds.append((" (baseline)", os.path.abspath(args.baseline)))
    rows = [(where, label + suffix, options, binary) for where, label, options in rows for suffix, binary in builds]
    samples = {row[1]: [] for row in rows}
    out_path = os.path.join(args.dir, "out.txt")
    for round_ in range(args.rounds):
        for i in range(len(rows)):
            where, label, options, binary = rows[(i + round_) % len(rows)]
            command = [binary, "--catalogues", folder if where == "all" else pair] + options
            samples[label].append(timed(command, env, out_path))

    def median(label, field):
        return statistics.median(s[field] for s in samples[label])

    sizes = {where: sum(os.path.getsize(os.path.join(d, n)) for n in os.listdir(d))
             for where, d in (("all", folder), ("pair", pair))}
    commit = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"], capture_output=True,
                            text=True).stdout.strip()
    lines = ["| catalogues | command | wall s (min–max) | user s | sys s | peak RSS MiB | lines out | × full search |",
             "|---|---|---:|---:|---:|---:|---:|---:|"]
    reference = {"all": "full search: `--count type:file`", "pair": "full search of both: `--count type:file`"}
    for where, label, _, binary in rows:
        wall = [s[0] for s in samples[label]]
        lines.append("| %s | %s | %.2f (%.2f–%.2f) | %.2f | %.2f | %.1f | %d | %.2f |" % (
            "%d × %s (%.0f MB)" % (2 * args.disks if where == "all" else 2, "1M" if args.entries == 1000000
                                   else str(args.entries), sizes[where] / 1e6),
            label, statistics.median(wall), min(wall), max(wall), median(label, 1), median(label, 2),
            median(label, 3) / 1024, samples[label][0][4], statistics.median(wall) / median(
                reference[where] + (" (baseline)" if label.endswith(" (baseline)") else ""), 0)))
    # The output of each row against the baseline's, byte for byte (by hash).
    differ = [label for _, label, _, binary in rows if args.baseline and not label.endswith(" (baseline)")
              and {s[5] for s in samples[label]} != {s[5] for s in samples[label + " (baseline)"]}]
    loads = [s[6] for label in samples for s in samples[label]]
    lines.append("")
    lines.append("Load average (1 min) at the runs' ends: %.1f to %.1f." % (min(loads), max(loads)))
    if args.baseline:
        lines.append("Output byte-identical to the baseline's in every row (SHA-256 of stdout)." if not differ else
                     "Output DIFFERS from the baseline's in: " + "; ".join(differ) + ".")
    text = "\n".join(lines)
    print(text)
    with open(args.out, "w") as f:
        f.write("# vesko --duplicates and --compare\n\n")
        f.write("Machine: %s. Commit %s, `%s`. TZ=UTC, LC_ALL=C for every run; %d rounds interleaved, medians.\n\n"
                % (machine(), commit, " ".join(sys.argv), args.rounds))
        f.write(text + "\n")


if __name__ == "__main__":
    main()
