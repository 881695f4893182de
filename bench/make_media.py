#!/usr/bin/env python3
"""Writes the benchmark's media: deterministic payload files, one setup script per
medium that serves every case, and the lists that the copy loop and the checks read.

  make_media.py OUT-FOLDER TARGET-FOLDER-AS-WINDOWS-PATH

OUT-FOLDER/small   2,000 files of 4-64 KiB in four sub-folders, 200 registry values
OUT-FOLDER/large   200 files of 1 MiB in two sub-folders, 200 registry values
OUT-FOLDER/products100, products1000   products sections of 100 and 1,000 products

Each medium's setup.inf has [Bench.Install] (the bare Setup API program), the same
section as [DefaultInstall] (the platform's INF installers) and a products section with
one product, checked by default, whose install section is [Bench.Install] (setup.exe).
The target folders are absolute (directory id -1). manifest.txt lists the files and
values for the copy loop, expect.txt every file with its size, as the check compares it.
A medium that is complete already is left as it is.
"""
import os
import random
import sys

VERSION = "1"


def write_text(path, lines):
    with open(path, "w", newline="") as out:
        out.write("\r\n".join(lines) + "\r\n")


def make_medium(root, name, target, folders, count, sizes, stream, values):
    folder = os.path.join(root, name)
    stamp = os.path.join(folder, ".complete")
    if os.path.exists(stamp) and open(stamp).read() == VERSION + target:
        return
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(stream)
    files = []  # (sub-folder, name, size)
    for i in range(count):
        sub = folders[i * len(folders) // count]
        size = sizes(rng)
        files.append((sub, "f%05d.bin" % (i + 1), size))
    for sub in folders:
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
    for sub, file_name, size in files:
        with open(os.path.join(folder, sub, file_name), "wb") as out:
            out.write(rng.randbytes(size))

    key = "Software\\SetupBench\\" + name.capitalize()
    value_lines = [("Value%03d" % (i + 1), "Benchmark value %03d of the %s medium" % (i + 1, name))
                   for i in range(values)]

    copy_sections = ",".join("Files." + sub for sub in folders)
    inf = ["[Version]", 'Signature="$Chicago$"', "", "[DestinationDirs]",
           "DefaultDestDir = -1," + target]
    inf += ["Files.%s = -1,%s\\%s" % (sub, target, sub) for sub in folders]
    inf += ["", "[Products]", 'BenchPayload = "Benchmark payload",Bench.Install,,1', ""]
    for section in ("Bench.Install", "DefaultInstall"):
        inf += ["[%s]" % section, "CopyFiles = " + copy_sections, "AddReg = Bench.AddReg", ""]
    for sub in folders:
        inf += ["[Files.%s]" % sub] + [f for s, f, _ in files if s == sub] + [""]
    inf += ["[Bench.AddReg]"]
    inf += ['HKLM,"%s",%s,0,"%s"' % (key, v, text) for v, text in value_lines]
    inf += ["", "[SourceDisksNames]", '1 = "Benchmark medium",,,', "", "[SourceDisksFiles]"]
    inf += ["%s = 1,%s" % (f, s) for s, f, _ in files]
    write_text(os.path.join(folder, "setup.inf"), inf)

    manifest = ["F %s\\%s" % (s, f) for s, f, _ in files] + ["K " + key]
    manifest += ["V %s %s" % (v, text) for v, text in value_lines]
    write_text(os.path.join(folder, "manifest.txt"), manifest)
    with open(os.path.join(folder, "expect.txt"), "w") as out:
        out.write("".join(sorted("%s/%s %d\n" % (s, f, size) for s, f, size in files)))
    with open(os.path.join(folder, "facts.txt"), "w") as out:
        out.write("files=%d bytes=%d values=%d key=%s\n" % (len(files), sum(x[2] for x in files), values, key))
    with open(stamp, "w") as out:
        out.write(VERSION + target)


def make_products(root, count):
    folder = os.path.join(root, "products%d" % count)
    os.makedirs(folder, exist_ok=True)
    inf = ["[Version]", 'Signature="$Chicago$"', "", "[DestinationDirs]",
           "DefaultDestDir = -1,C:\\SetupBench", "", "[Products]"]
    for i in range(count):
        inf.append('BenchProduct%04d = "Benchmark product %d",P%04d.Install,P%04d.Remove,%d,%d,'
                   '"Product number %d of the catalogue benchmark.",1.%d.%d'
                   % (i + 1, i + 1, i + 1, i + 1, 1 if i % 3 else 0, i % 60, i + 1, i % 7, i % 100))
    inf.append("")
    for i in range(count):
        inf += ["[P%04d.Install]" % (i + 1), "AddReg = P%04d.AddReg" % (i + 1), ""]
    write_text(os.path.join(folder, "setup.inf"), inf)


def main():
    out, target = sys.argv[1], sys.argv[2]
    make_medium(out, "small", target, ["alpha", "beta", "gamma", "delta"], 2000,
                lambda rng: rng.randint(4096, 65536), 1, 200)
    make_medium(out, "large", target, ["first", "second"], 200, lambda rng: 1 << 20, 2, 200)
    make_products(out, 100)
    make_products(out, 1000)


if __name__ == "__main__":
    main()
