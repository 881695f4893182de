#!/usr/bin/env python3
"""Turns bench/run's raw results into the markdown table of README.md's Benchmark section.

  report.py RESULTS.TSV MEDIA-FOLDER BUILD-FOLDER ROUNDS
"""
import datetime
import os
import platform
import statistics
import subprocess
import sys

results, media, build, rounds = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]

runs = {}      # (case, medium) -> [(seconds, peak bytes)]
catalogue = {}  # products section -> [(build, fill, staying, Setup API look-ups) ms]
for line in open(results):
    parts = line.split()
    if parts[0] == "catalogue":
        catalogue.setdefault(parts[1], []).append(tuple(float(x) for x in parts[3:7]))
    else:
        runs.setdefault((parts[0], parts[1]), []).append((float(parts[3]), int(parts[4])))

facts = {}
for medium in ("small", "large"):
    text = open(os.path.join(media, medium, "facts.txt")).read().split()
    facts[medium] = {k: v for k, v in (item.split("=", 1) for item in text)}


def median(case, medium, index=0):
    return statistics.median(r[index] for r in runs[(case, medium)])


def command(*args):
    try:
        return subprocess.run(args, capture_output=True, text=True, check=False).stdout.strip()
    except OSError:
        return "?"


names = {
    "a": "(a) CopyFileA loop",
    "b": "(b) bare Setup API program",
    "bw": "(b1) (b) telling a plain window of another thread of every file",
    "bs": "(b2) (b) run by a minimal one-page wizard whose page follows a count of the files done",
    "c1": "(c) rundll32 advpack.dll,LaunchINFSection",
    "c2": "(c) rundll32 setupapi.dll,InstallHinfSection",
    "d": "(d) setup.exe /quiet",
    "dl": "(d) with its log, setup.exe /quiet /log:FILE",
}
media_names = {
    "small": "2,000 files of 4-64 KiB (%.1f MB), 200 registry values",
    "large": "200 files of 1 MiB (%.1f MB), 200 registry values",
}

out = []
cpu = ""
for line in open("/proc/cpuinfo"):
    if line.startswith("model name"):
        cpu = line.split(":", 1)[1].strip()
        break
out.append("Taken %s UTC on %s, %d cores (%s), %s, %s rounds; setup.exe of %s (commit %s)." % (
    datetime.datetime.utcnow().strftime("%Y-%m-%d %H:%M"), platform.system() + " " + platform.release(),
    os.cpu_count(), cpu, command("wine", "--version"), rounds,
    os.path.relpath(os.path.join(build, "setup.exe"), os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
    command("git", "-C", os.path.dirname(os.path.abspath(__file__)), "rev-parse", "--short", "HEAD")))
changed = [line.split(None, 1)[1] for line in command("git", "-C", os.path.dirname(os.path.abspath(__file__)), "status",
                                        "--porcelain", "--untracked-files=no").splitlines()
           if line.strip() and not line.split(None, 1)[1].startswith("bench/")
           and not line.endswith(".md")]
if changed:
    out.append("The working tree had changes not yet committed in: %s." % ", ".join(changed))
out.append("")

goals = []
for medium in ("small", "large"):
    files = int(facts[medium]["files"])
    megabytes = int(facts[medium]["bytes"]) / 1e6
    out.append("**%s**" % (media_names[medium] % megabytes))
    out.append("")
    out.append("| Case | median s | min s | max s | files/s | MB/s | to (a) | to (b) | to (b2) |")
    out.append("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    a, b, bs = median("a", medium), median("b", medium), median("bs", medium)
    for case in ("a", "b", "bw", "bs", "c1", "c2", "d", "dl"):
        seconds = [r[0] for r in runs[(case, medium)]]
        m = statistics.median(seconds)
        out.append("| %s | %.3f | %.3f | %.3f | %.0f | %.1f | %.2fx | %.2fx | %.2fx |" % (
            names[case], m, min(seconds), max(seconds), files / m, megabytes / m, m / a, m / b, m / bs))
    out.append("")
    goal = 1.05 if medium == "small" else 1.15
    d = median("d", medium)
    label = "2,000 files" if medium == "small" else "1 MiB files"
    goals.append(("(d) to (b), %s" % label, d / b, goal))
    goals.append(("(d) to (b2), the same queue run by a minimal wizard that follows a count of the files, %s" % label,
                  d / bs, goal))
    goals.append(("(d) ahead of both peers, %s" % ("2,000 files" if medium == "small" else "1 MiB files"),
                  d / min(median("c1", medium), median("c2", medium)), 1.0))
    if medium == "small":
        goals.append(("(d) with its log to (d), 2,000 files", median("dl", medium) / d, 1.05))

out.append("**Peak working set** (median of the runs; sampled every 20 ms while the process lives)")
out.append("")
out.append("| Medium | (b) MB | (b1) MB | (b2) MB | (d) MB | (d) to (b) | (d) to (b2) |")
out.append("|---|---:|---:|---:|---:|---:|---:|")
for medium in ("small", "large"):
    b, bw, bs, d = (median(case, medium, 1) / 1e6 for case in ("b", "bw", "bs", "d"))
    out.append("| %s | %.1f | %.1f | %.1f | %.1f | %.2fx | %.2fx |" % (
        "2,000 files" if medium == "small" else "1 MiB files", b, bw, bs, d, d / b, d / bs))
    goals.append(("peak working set (d) to (b), %s" % ("2,000 files" if medium == "small" else "1 MiB files"),
                  d / b, 2.0))
    goals.append(("peak working set (d) to (b2), %s" % ("2,000 files" if medium == "small" else "1 MiB files"),
                  d / bs, 1.3))
out.append("")

out.append("**Start-up and an empty run**, against a minimal program that shows a one-page wizard property sheet")
out.append("")
out.append("| Measure | minimal program median s | setup.exe median s (min-max) | ratio |")
out.append("|---|---:|---:|---:|")
for label, reference, case in (("start to the first page answering a message", "ready-min", "ready-setup"),
                               ("unattended run to its end (setup.exe `/quiet:NoSuchProduct`, the minimal "
                                "program pressing Finish itself)", "empty-min", "empty-setup")):
    r, s = median(reference, "small"), median(case, "small")
    seconds = [x[0] for x in runs[(case, "small")]]
    out.append("| %s | %.3f | %.3f (%.3f-%.3f) | %.2fx |" % (label, r, s, min(seconds), max(seconds), s / r))
    goals.append(("%s to the minimal program" % ("start-up" if case == "ready-setup" else "empty run"), s / r, 2.0))
for count in ("100", "1000"):
    r, s = median("ready-min", "small"), median("ready-setup" + count, "small")
    seconds = [x[0] for x in runs[("ready-setup" + count, "small")]]
    out.append("| start to the first page, products section of %s products (the catalogue is built first) "
               "| %.3f | %.3f (%.3f-%.3f) | %.2fx |" % (count, r, s, min(seconds), max(seconds), s / r))
out.append("")

out.append("**Product catalogue**: products sections of 100 and 1,000 products, best of 3 in each round, median "
           "over the rounds (ms)")
out.append("")
out.append("| Step | 100 products | 1,000 products | 1,000 to 100 |")
out.append("|---|---:|---:|---:|")
steps = ("building the catalogue", "filling the component list", "counting products still registered (removal)")
totals, beyond = {}, {}
for key in ("products100", "products1000"):
    totals[key] = statistics.median(sum(r[:3]) for r in catalogue[key])
    beyond[key] = statistics.median(sum(r[:3]) - r[3] for r in catalogue[key])
for index, step in enumerate(steps):
    small = statistics.median(r[index] for r in catalogue["products100"])
    large = statistics.median(r[index] for r in catalogue["products1000"])
    out.append("| %s | %.1f | %.1f | %.1fx |" % (step, small, large, large / small if small else float("inf")))
ratio = totals["products1000"] / totals["products100"]
out.append("| all three | %.1f | %.1f | %.1fx |" % (totals["products100"], totals["products1000"], ratio))
small = statistics.median(r[3] for r in catalogue["products100"])
large = statistics.median(r[3] for r in catalogue["products1000"])
out.append("| the Setup API alone finding each install section's Conditions line, as building does | %.1f | %.1f "
           "| %.1fx |" % (small, large, large / small if small else float("inf")))
ratio_beyond = beyond["products1000"] / beyond["products100"]
out.append("| all three beyond those look-ups | %.1f | %.1f | %.1fx |"
           % (beyond["products100"], beyond["products1000"], ratio_beyond))
goals.append(("1,000 products to 100", ratio, 12.0))
goals.append(("1,000 products to 100, beyond the Setup API's own section look-ups", ratio_beyond, 12.0))
out.append("")

out.append("**Goals**")
out.append("")
out.append("| Goal | measured | limit | met |")
out.append("|---|---:|---:|---|")
for label, value, limit in goals:
    out.append("| %s | %.2fx | %.2fx | %s |" % (label, value, limit, "yes" if value <= limit else "no"))
out.append("")
out.append("Notes: (b), (c) and (d) read one setup.inf per medium: (b) its [Bench.Install], (c) the same "
           "section as [DefaultInstall], (d) a products section with one product, checked by default, whose "
           "install section is [Bench.Install]; every copy section goes to an absolute folder on /dev/shm. "
           "Beyond (b), (d) starts its wizard (pages passed over, unattended), checks the start conditions, "
           "builds the catalogue, and runs its stages for the product (the script has no main install section); it "
           "copies no setup.exe of its own, so it writes no uninstall entry. (d) with its log is the same run "
           "with `/log:` naming a new file on /dev/shm (one line per file copied). (a) also writes the 200 registry "
           "values, with RegSetValueExA. (b1) and (b2) commit the same queue on a second thread, and a "
           "callback in front of the default one tells a window of the first thread of the files with "
           "SendNotifyMessageA (Wine's default callback sends no progress messages): in (b1) a plain window, of "
           "every file, in (b2) the page of a one-page wizard property sheet that starts the queue when it "
           "becomes active and presses Finish after it, by count, as setup.exe tells its page; both only count "
           "what they hear. "
           "Times are from process creation to its end (for the start-up, to the "
           "page answering), measured by a Win32 runner in the same prefix; every run is checked afterwards.")
print("\n".join(out))
