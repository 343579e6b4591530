#!/usr/bin/env python3
"""Times Vesko's search through its indexes against the scan (not part of the tests).

Usage: bench/index_benchmark.py [--dir /work/bench-data/corpus100] [--cache DIR]
           [--vesko build/src/hosts/vesko] [--rounds 5] [--plocate-tree DIR]
           [--korvint build/src/hosts/korvint] [--out bench/results-index.md]

The catalogues of --dir (made by bench/make_catalogues.py, seed 1, 1M entries
each, "zebracorn" planted 20 times a catalogue) are indexed into --cache
(XDG_CACHE_HOME) from nothing: `vesko --index` on both cores (wall time, peak
RSS) and one catalogue alone. Then each query kind runs, interleaved, `rounds`
times: `vesko --count` with the indexes and `vesko --no-index --count` (the
scan), process start included, warm cache; the counts of both must agree.
Reported: median wall, CPU, vesko's peak anonymous memory (heap and stacks:
RssAnon sampled every millisecond), index / scan. With --plocate-tree, a tree
made by shared/tools/gen_tree.py is catalogued with korvint, indexed by vesko
and by plocate's updatedb into a database of its own, and `plocate -d DB -c -i`
is timed against `vesko --count` on it; --plocate-catalogue and --plocate-db
take that catalogue and database as made before (updatedb is then not timed),
--only-plocate leaves out the building and the searches of --dir, and
--no-build searches through the indexes of --cache as they are; --query Q
(repeatable) times only those rows of the table. TZ is
pinned for every tool.
"""
import argparse, glob, os, shutil, statistics, subprocess, sys, tempfile, time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import vesko_benchmark as vb  # noqa: E402  (its run() and machine())

QUERIES = [
    ("rare word", "zebracorn"),
    ("two words (AND)", "zebracorn csv"),
    ("phrase", '"live remaster"'),
    ("word, 30k results", "zurich"),
    ("common word", "backup"),
    ("wildcard", "*.flac"),
    ("rare wildcard", "*zebracorn*.csv"),
    ("ext: and word", "ext:csv zebracorn"),
    ("ext: alone", "ext:iso;7z"),
    ("path: word", "path:zebracorn"),
    ("path: folder\\name", "path:live\\zebracorn"),
    ("short word (2 letters)", "zq"),
    ("short wildcard (no 3 letters in a row)", "*zq*.7z"),
    ("size: and word", "size:>1G zebracorn"),
]


def build(vesko, folder, env):
    """`vesko --index` from nothing; returns (wall s, peak RSS MiB)."""
    with tempfile.NamedTemporaryFile() as tf:
        start = time.perf_counter()
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", tf.name, vesko, "--catalogues", folder, "--index"],
                       env=env, check=True, stdout=subprocess.DEVNULL)
        wall = time.perf_counter() - start
        return wall, int(open(tf.name).read().split()[-1]) / 1024


def size_of(folder, pattern):
    return sum(os.path.getsize(f) for f in glob.glob(os.path.join(folder, pattern)))


def compare_queries(tools, queries, rounds, env, scratch):
    """Times each query with each tool, interleaved; returns rows of (kind, query, [(label, count, wall, cpu, heap)])."""
    rows = []
    for kind, query in queries:
        results = []
        for label, command in tools:
            cmd = command(query)
            counts = subprocess.run(cmd, env=env, capture_output=True, text=True).stdout.strip()
            results.append([label, counts, [], [], 0])
        for _ in range(rounds):
            for entry, (label, command) in zip(results, tools):
                wall, cpu, heap = vb.run(command(query), "/", env, os.path.join(scratch, "out"), True)
                entry[2].append(wall)
                entry[3].append(cpu)
                entry[4] = max(entry[4], heap)
        rows.append((kind, query, results))
        print(kind, [(r[0], r[1], "%.4f" % statistics.median(r[2])) for r in results], flush=True)
    return rows


def table(rows, reference):
    lines = ["| query kind | query | tool | results | wall ms | CPU ms | heap MiB | x %s |" % reference,
             "|---|---|---|---:|---:|---:|---:|---:|"]
    for kind, query, results in rows:
        base = statistics.median(next(r for r in results if r[0] == reference)[2])
        counts = {r[1] for r in results}
        for label, count, walls, cpus, heap in results:
            wall = statistics.median(walls)
            lines.append("| %s | `%s` | %s | %s%s | %.1f | %.1f | %.1f | %.2f |" % (
                kind, query.replace("|", "\\|"), label, count, "" if len(counts) == 1 else " (DISAGREE)",
                wall * 1000, statistics.median(cpus) * 1000, heap / 1024, wall / base))
    return lines


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--dir", default="/work/bench-data/corpus100")
    ap.add_argument("--cache", default="/work/bench-data/cache")
    ap.add_argument("--vesko", default=os.path.join(ROOT, "build", "src", "hosts", "vesko"))
    ap.add_argument("--korvint", default=os.path.join(ROOT, "build", "src", "hosts", "korvint"))
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--plocate-tree", default="")
    ap.add_argument("--plocate-catalogue", default="", help="the tree's catalogue, made before")
    ap.add_argument("--plocate-db", default="", help="plocate's database of the tree, made before")
    ap.add_argument("--only-plocate", action="store_true")
    ap.add_argument("--no-build", action="store_true", help="search through the indexes of --cache as they are")
    ap.add_argument("--query", action="append", default=[], help="time only this query of the table (repeatable)")
    ap.add_argument("--out", default=os.path.join(HERE, "results-index.md"))
    a = ap.parse_args()
    env = dict(os.environ, TZ="UTC", LC_ALL="C", XDG_CACHE_HOME=a.cache)
    for name in ("DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    header = vb.machine()
    files = [] if a.only_plocate else sorted(glob.glob(os.path.join(a.dir, "*.lst")))
    total = sum(os.path.getsize(f) for f in files)
    for f in files:  # warm cache
        with open(f, "rb") as data:
            while data.read(1 << 24):
                pass
    scratch = tempfile.mkdtemp(prefix="index-bench-")
    out = ["Machine: %s." % header, ""]

    index_bytes = 0
    if not a.only_plocate and not a.no_build:
        # Building: one catalogue alone, then all of them on both cores.
        one = os.path.join(scratch, "one")
        os.makedirs(one)
        os.symlink(files[0], os.path.join(one, os.path.basename(files[0])))
        shutil.rmtree(os.path.join(a.cache, "korvint"), ignore_errors=True)
        one_wall, one_rss = build(a.vesko, one, env)
        shutil.rmtree(os.path.join(a.cache, "korvint"), ignore_errors=True)
        all_wall, all_rss = build(a.vesko, a.dir, env)
        index_bytes = size_of(os.path.join(a.cache, "korvint", "index"), "*.kvx")
        out += ["## Building and size", "",
                "%d catalogues, %.0f MB (%s)." % (len(files), total / 1e6, ", ".join(os.path.basename(f) for f in files[-1:]) +
                                                   " may be shorter than the rest"),
                "",
                "| what | wall s | peak RSS MiB |", "|---|---:|---:|",
                "| index one catalogue (%s, %.0f MB) | %.2f | %.0f |" % (os.path.basename(files[0]),
                                                                        os.path.getsize(files[0]) / 1e6, one_wall, one_rss),
                "| index all %d (both cores) | %.1f | %.0f |" % (len(files), all_wall, all_rss),
                "",
                "Indexes: %.1f MB in all, %.1f %% of the catalogues' bytes." % (index_bytes / 1e6, 100.0 * index_bytes / total),
                ""]
    if a.no_build:
        index_bytes = size_of(os.path.join(a.cache, "korvint", "index"), "*.kvx")
    if not a.only_plocate:
        tools = [("vesko, indexes", lambda q: [a.vesko, "--count", "--catalogues", a.dir, "--", q]),
                 ("vesko --no-index (scan)", lambda q: [a.vesko, "--no-index", "--count", "--catalogues", a.dir, "--", q])]
        queries = [q for q in QUERIES if not a.query or q[1] in a.query]
        rows = compare_queries(tools, queries, a.rounds, env, scratch)
        out += ["## Searching (`vesko --count`, process start included, warm cache, median of %d interleaved rounds)" % a.rounds,
                ""] + table(rows, "vesko --no-index (scan)") + [""]

    if a.plocate_tree:
        tree = a.plocate_tree
        if a.plocate_catalogue:
            cats = os.path.dirname(os.path.abspath(a.plocate_catalogue))
            catalogue = a.plocate_catalogue
        else:
            cats = os.path.join(scratch, "tree-cats")
            os.makedirs(cats)
            catalogue = os.path.join(cats, "tree.lst")
            subprocess.run([a.korvint, tree + "/", catalogue], env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([a.vesko, "--catalogues", cats, "--index"], env=env, check=True, stdout=subprocess.DEVNULL)
        if a.plocate_db:
            db, updatedb = a.plocate_db, "made before, not timed"
        else:
            db = os.path.join(scratch, "plocate.db")
            start = time.perf_counter()
            subprocess.run(["updatedb", "-U", tree, "-o", db, "-l", "0"], env=env, check=True)
            updatedb = "updatedb %.2f s" % (time.perf_counter() - start)
        with open(catalogue, "rb") as data:  # warm cache
            while data.read(1 << 24):
                pass
        catalogue_bytes = os.path.getsize(catalogue)
        vesko_index = size_of(os.path.join(a.cache, "korvint", "index"), "*.kvx") - index_bytes
        queries = [("rare name", "zebracorn"), ("rare name", "util_6.md"), ("common", "res"),
                   ("two words", "util md")]
        ptools = [("vesko, index", lambda q: [a.vesko, "--count", "--catalogues", cats, "--"] + q.split()),
                  ("vesko path:, index",
                   lambda q: [a.vesko, "--count", "--catalogues", cats, "--"] + ["path:" + w for w in q.split()]),
                  ("vesko path:, scan",
                   lambda q: [a.vesko, "--no-index", "--count", "--catalogues", cats, "--"] +
                   ["path:" + w for w in q.split()]),
                  ("plocate", lambda q: ["plocate", "-d", db, "-c", "-i"] + q.split())]
        prow = compare_queries(ptools, queries, a.rounds, env, scratch)
        out += ["## Against plocate (tree %s)" % tree, "",
                "Catalogue %.1f MB; vesko's index %.1f MB (%.0f %%); plocate's database %.1f MB (%.0f %%), "
                "%s. plocate matches whole paths, vesko names, and `path:` words whole paths (the "
                "root included), so only those counts compare." % (
                    catalogue_bytes / 1e6, vesko_index / 1e6, 100.0 * vesko_index / catalogue_bytes,
                    os.path.getsize(db) / 1e6, 100.0 * os.path.getsize(db) / catalogue_bytes, updatedb), ""]
        out += table(prow, "plocate") + [""]
    with open(a.out, "w") as f:
        f.write("# Vesko's index benchmark\n\nMade by `bench/index_benchmark.py`.\n\n" + "\n".join(out) + "\n")
    print("written", a.out)


if __name__ == "__main__":
    main()
