#!/usr/bin/env python3
"""Writes realistic catalogues (.lst) straight to disk, in Korvint's exact format,
so the search benchmark needs no million files on disk.

Usage: make_catalogues.py OUTDIR [--catalogues 10] [--entries 1000000] [--seed 1]
                          [--rare WORD] [--rare-count 20] [--encoding utf-8|cp1252]
                          [--tricky]

Each catalogue: a header line with its root, then the walk order Korvint writes:
a folder's file lines, then each sub-folder's line followed by everything below
it. Folders nest 1..8 deep (most at 4-6), file counts per folder are skewed
(many small folders, a tail of large ones), names mix common words, digits,
camera and document patterns, about 2 % hold non-ASCII letters. Sizes: 30 %
empty, the rest log-uniform 10 B .. 4 GB; dates over 15 years; every line ends
in CR LF. `--rare WORD` plants WORD in exactly `--rare-count` file names per
catalogue (spread over the file), so a rare-word search has known hits.
`--tricky` (for comparing two builds, not for timing) adds, to about one name
in ten, what makes matching hard: characters that fold into ASCII (the Kelvin
sign, "ſ", "ß", "ẞ", ligatures, "İ", "ı"), decomposed accents, names with a
backslash, lines that are not entries (some not UTF-8), and POSIX roots.
"""
import argparse, os, random

WORDS = ("src lib docs images img assets build test tests data config util core main "
         "app include res photos 2019 2020 2021 2022 2023 backup project reports "
         "invoices music video cache tmp old new archive module package vendor "
         "third_party scripts tools bin obj debug release internal common shared "
         "public private user home export holiday family wedding scans movies "
         "series album live remaster mixtape draft final notes letter budget").split()
NON_ASCII = ("ärger Überblick café naïve résumé Größe straße Ærø smörgåsbord "
             "jalapeño façade crème_brûlée Zürich Ålesund fiancée señor").split()
CYRILLIC = "Привет Документы Фото Музыка".split()
EXTS = (".txt .jpg .jpeg .png .c .h .cpp .py .json .log .dat .pdf .js .html .xml .md "
        ".o .so .csv .docx .xlsx .mp3 .flac .mkv .mp4 .avi .iso .zip .7z .gz .exe .dll").split()
# Characters that fold into ASCII, decomposed accents, wide and other letters.
TRICKY = ("\u212aelvin", "\u017ftra\u00dfe", "STRA\u1e9eE", "\ufb01le", "o\ufb00ice", "\u0130stanbul",
          "\u0131rmak", "cafe\u0301", "A\u030angstr\u00f6m", "\uff21\uff22", "\u1e9bx", "\u01c5ungla",
          "\u0149", "\u03a3\u03bf\u03c6\u03af\u03b1", "\U0001f600smile", "back\\slash",
          "\u00c3\u00a4rger", "stra\u00c3\u0178e")  # the last two: UTF-8 bytes when written in cp1252
DEPTH_W = [0.004, 0.02, 0.08, 0.20, 0.30, 0.24, 0.11, 0.046]  # depth 1..8


def date_time(rng):
    y = rng.randint(2009, 2024)
    m = rng.randint(1, 12)
    d = rng.randint(1, 28)
    return " %d.%d.%d\t%d:%d.%d" % (y, m, d, rng.randint(0, 23), rng.randint(0, 59),
                                     rng.randint(0, 59))


def tricky_word(rng, encoding):
    while True:
        word = rng.choice(TRICKY)
        try:
            word.encode(encoding)
            return word
        except UnicodeEncodeError:
            pass


def file_name(rng, index, encoding, tricky=False):
    if tricky and rng.random() < 0.1:
        return "%s_%s_%d%s" % (rng.choice(WORDS), tricky_word(rng, encoding), index, rng.choice(EXTS))
    r = rng.random()
    if r < 0.15:
        name = "IMG_%04d" % rng.randint(0, 9999)
    elif r < 0.22:
        name = "DSC%05d" % rng.randint(0, 99999)
    else:
        name = rng.choice(WORDS)
        if rng.random() < 0.5:
            name += rng.choice(("_", "-", " ")) + rng.choice(WORDS)
        if rng.random() < 0.4:
            name += "_" + "".join(rng.choice("abcdefghijklmnopqrstuvwxyz0123456789")
                                  for _ in range(rng.randint(2, 16)))
    if rng.random() < 0.02:
        pool = NON_ASCII + (CYRILLIC if encoding == "utf-8" else [])
        name = rng.choice(pool) + " " + name
    return "%s_%d%s" % (name, index, rng.choice(EXTS))


def folder_tree(rng, folder_count, encoding="utf-8", tricky=False):
    """Relative folder paths in walk order (each followed by its own subtree)."""
    per_depth = [max(1, round(w * folder_count)) for w in DEPTH_W]
    children = {(): []}
    levels = [[()]]
    for depth, count in enumerate(per_depth, start=1):
        parents = levels[depth - 1]
        level = []
        for _ in range(count):
            parent = parents[int(len(parents) * rng.random() ** 1.6)]
            name = rng.choice(WORDS)
            if rng.random() < 0.6:
                name += "_" + str(rng.randint(0, 9999))
            if rng.random() < 0.03:
                name = rng.choice(NON_ASCII) + "_" + name
            if tricky and rng.random() < 0.1:
                name = tricky_word(rng, encoding).replace("\\", "") + "_" + name
            path = parent + (name,)
            if path in children:
                continue
            children[path] = []
            children[parent].append(path)
            level.append(path)
        levels.append(level)
    order = []

    def visit(path):
        order.append(path)
        for child in children[path]:
            visit(child)

    import sys
    sys.setrecursionlimit(10000)
    visit(())
    return order


def write_catalogue(path, root, entries, rng, rare, rare_count, encoding, tricky=False):
    folders = folder_tree(rng, max(1, entries // 12), encoding, tricky)
    weights = [rng.lognormvariate(0, 1.3) for _ in folders]
    total = sum(weights)
    files_left = entries - (len(folders) - 1)
    counts = [int(w / total * files_left) for w in weights]
    for _ in range(files_left - sum(counts)):
        counts[rng.randrange(len(counts))] += 1
    rare_at = set(rng.sample(range(files_left), rare_count)) if rare else set()
    file_index = 0
    out = bytearray()
    out += (root + "\r\n").encode(encoding)
    with open(path, "wb") as f:
        for folder, count in zip(folders, counts):
            if folder:
                line = "\\".join(folder) + "\\\t0\t" + date_time(rng) + "\r\n"
                out += line.encode(encoding)
            for j in range(count):
                name = file_name(rng, j, encoding, tricky)
                if file_index in rare_at:
                    stem, dot, ext = name.rpartition(".")
                    name = stem + "_" + rare + dot + ext
                file_index += 1
                size = 0 if rng.random() < 0.3 else int(10 ** rng.uniform(1, 9.6))
                out += ("%s\t%d\t%s\r\n" % (name, size, date_time(rng))).encode(encoding)
                if tricky and rng.random() < 0.002:  # not an entry: damaged, or not UTF-8
                    out += rng.choice((b"broken line\r\n", b"\xe4rger\t1\r\n", b"x\t1\t 2019.2.30\t1:1.1\r\n",
                                       b"lf only\t1\t 2019.1.1\t1:1.1\n"))
            if len(out) > 1 << 22:
                f.write(out)
                out.clear()
        f.write(out)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("outdir")
    ap.add_argument("--catalogues", type=int, default=10)
    ap.add_argument("--entries", type=int, default=1_000_000)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--rare", default="zebracorn")
    ap.add_argument("--rare-count", type=int, default=20)
    ap.add_argument("--encoding", default="utf-8", choices=("utf-8", "cp1252"))
    ap.add_argument("--tricky", action="store_true")
    a = ap.parse_args()
    os.makedirs(a.outdir, exist_ok=True)
    for i in range(a.catalogues):
        rng = random.Random(a.seed * 1000 + i)
        root = rng.choice(("D:\\Backup\\", "E:\\", "F:\\Media\\", "G:\\Archive %d\\" % i))
        if a.tricky and i % 3 == 2:
            root = "/home/ann/b\u00e4ckup %d/" % i if a.encoding == "utf-8" else "/mnt/disk %d/" % i
        path = os.path.join(a.outdir, "disk%02d.lst" % (i + 1))
        write_catalogue(path, root, a.entries, rng, a.rare, a.rare_count, a.encoding, a.tricky)
        print(path, os.path.getsize(path))


if __name__ == "__main__":
    main()
