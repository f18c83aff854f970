#!/usr/bin/env python3
"""pss against ngspice, and against pss as it was before the sparse LU:
every case of bench/cases.py, each run several times, the medians written
to docs/performance.md.

    bench/run_bench.py --build build --baseline build-bench/baseline
    bench/run_bench.py --smoke          # a few small cases once, no report

For each case: pss's whole job (wall time, peak memory, Newton iterations,
time per iteration in assembly and in the linear solve), the earlier pss on
the same network file, and ngspice's transient run until it has settled to
the state pss solves for directly. Ratios are taken within one run of this
script. The runs take place on a memory file system when there is one; what
pss's syncs of its state files cost on the disk is measured apart. The
oscillators run once more at the plane count that matches ngspice's period
error."""

import argparse
import datetime
import math
import os
import platform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cases  # noqa: E402

METHOD_NAMES = {1: "profile", 2: "sparse LU", 3: "GMRES"}
ORDER_NAMES = {0: "", 1: " (AMD)", 2: " (METIS)"}


# The program that starts and times each process (bench/spawn_timer.cpp);
# None where it is not built, and Python then starts the processes itself.
SPAWN_TIMER = None


def run_timed(command, stdin_text, folder, timeout):
    """Wall time, status, stdout, stderr and peak memory (MB) of one process.
    Its input and output go through files and its peak comes from the
    kernel's account of the child (wait4), so that nothing but the process
    itself is timed: a wrapper such as /usr/bin/time would add its own start
    to every figure, a millisecond that is most of a small job."""
    io = tempfile.mkdtemp(prefix="pss-bench-io-")
    try:
        names = [os.path.join(io, n) for n in ("in", "out", "err")]
        with open(names[0], "w") as f:
            f.write(stdin_text)
        if SPAWN_TIMER:
            measured = spawned_and_timed(command, names, folder, timeout)
        else:
            measured = started_from_python(command, names, folder, timeout)
        if measured is None:
            return None
        wall, returncode, peak = measured
        with open(names[1], errors="replace") as f:
            out = f.read()
        with open(names[2], errors="replace") as f:
            err = f.read()
        return wall, returncode, out, err, peak
    finally:
        shutil.rmtree(io, ignore_errors=True)


def spawned_and_timed(command, names, folder, timeout):
    """(wall, status, peak MB) from the spawn timer; None past the timeout."""
    report = subprocess.run([SPAWN_TIMER, repr(float(timeout))] + names + command, cwd=folder,
                            capture_output=True, text=True, check=True).stdout
    fields = dict(p.split("=") for p in report.split())
    if fields["timed_out"] == "1":
        return None
    return float(fields["wall"]), int(fields["status"]), int(fields["peak_kb"]) / 1024.0


def started_from_python(command, names, folder, timeout):
    """As spawned_and_timed, with the interpreter's own start of the process
    inside the figure."""
    with open(names[0]) as fin, open(names[1], "w") as fout, open(names[2], "w") as ferr:
        start = time.perf_counter()
        proc = subprocess.Popen(command, cwd=folder, stdin=fin, stdout=fout, stderr=ferr)
        timer = threading.Timer(timeout, proc.kill)
        timer.start()
        try:
            _, status, usage = os.wait4(proc.pid, 0)
        finally:
            timer.cancel()
        wall = time.perf_counter() - start
        returncode = os.waitstatus_to_exitcode(status)
    if returncode == -signal.SIGKILL and wall >= timeout:
        return None
    return wall, returncode, usage.ru_maxrss / 1024.0


def peak_of(command, stdin_text, folder, timeout):
    """As run_timed, with the peak memory read by /usr/bin/time when present:
    wait4's account of a child started from Python includes the interpreter's
    pages it was forked from."""
    timer = "/usr/bin/time"
    if not os.path.exists(timer):
        result = run_timed(command, stdin_text, folder, timeout)
        return None if result is None else result[:4] + (float("nan"),)
    result = run_timed([timer, "-f", "peak_kb=%M"] + command, stdin_text, folder, timeout)
    if result is None:
        return None
    wall, status, out, err, _ = result
    m = re.search(r"peak_kb=(\d+)", err)
    return wall, status, out, err, (int(m.group(1)) / 1024.0 if m else float("nan"))


def parse_timings(err):
    m = re.search(r"^timings (.*)$", err, re.M)
    if not m:
        return {}
    return {k: float(v) for k, v in (p.split("=") for p in m.group(1).split())}


def iteration_lines(out):
    return [(int(i), float(e)) for i, e in re.findall(r"iter (\d+), error (\S+)", out)]


def state_values(wave, folder, job, suffix):
    path = os.path.join(folder, f"{job}{suffix}.var")
    if not os.path.exists(path):
        return None
    csv = subprocess.run([wave, job, f"{job}{suffix}.var", "--csv"], cwd=folder,
                         capture_output=True, text=True)
    if csv.returncode != 0:
        return None
    return [row[1:] for row in (r for r in (l.split(",") for l in csv.stdout.splitlines())
                                if r and not r[0].startswith("#"))
            if _floats(row)]


def _floats(row):
    try:
        [float(x) for x in row]
        return True
    except ValueError:
        return False


def relative_difference(a, b):
    if a is None or b is None or len(a) != len(b):
        return float("nan")
    scale = max((abs(float(x)) for row in b for x in row), default=1.0) or 1.0
    return max((abs(float(x) - float(y)) for ra, rb in zip(a, b) for x, y in zip(ra, rb)),
               default=0.0) / scale


def errors_agree(new, old):
    """Same iteration count; errors above 1e-12 within 1e-5 relative."""
    if len(new) != len(old):
        return False
    return all(abs(e - f) <= 1e-5 * abs(f) for (_, e), (_, f) in zip(new, old) if f > 1e-12)


def error_distance(new, old):
    """The largest difference between two printed errors of one iteration."""
    return max((abs(e - f) for (_, e), (_, f) in zip(new, old)), default=0.0)


def run_pss(exe, net_folder, job, circuit, repeats, timeout, time_cap):
    """Median wall time over the repeats, the peak memory, and the output and
    time account of the median run. The first run reads the peak under /usr/bin/time; the repeats
    that time the job run it alone, unless that first run was long enough to
    be taken once (where the wrapper's millisecond does not count)."""
    first = peak_of([exe, job], circuit["answers"], net_folder, timeout)
    if first is None:
        return {"timeout": timeout}
    peak = first[4]
    runs = []
    if first[0] > time_cap:
        runs.append(first[:4])
    else:
        if first[0] < 0.1 and repeats > 1:
            repeats = 11  # jobs of milliseconds: more runs steady the median
        while len(runs) < repeats:
            result = run_timed([exe, job], circuit["answers"], net_folder, timeout)
            if result is None:
                return {"timeout": timeout}
            runs.append(result[:4])
            if result[0] > time_cap:
                break  # long runs are taken once
    wall = statistics.median(r[0] for r in runs)
    middle = sorted(runs, key=lambda r: r[0])[len(runs) // 2]
    status, out, err = middle[1], middle[2], middle[3]
    return {"wall": wall, "peak": peak, "status": status, "out": out, "err": err,
            "runs": len(runs), "timings": parse_timings(err), "timed_wall": middle[0],
            "iterations": iteration_lines(out)}


# --- ngspice -----------------------------------------------------------------

def ngspice_samples(deck, tstop, folder, node, timeout):
    text = deck.replace("{tstop}", f"{tstop:.6e}") + (
        f".save v({node})\n.control\nrun\nwrdata wave.dat v({node})\nquit\n.endc\n.end\n")
    with open(os.path.join(folder, "calibrate.cir"), "w") as f:
        f.write(text)
    subprocess.run(["ngspice", "-b", "calibrate.cir"], cwd=folder, capture_output=True,
                   timeout=timeout)
    samples = []
    with open(os.path.join(folder, "wave.dat")) as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 2:
                samples.append((float(parts[0]), float(parts[1])))
    return samples


def per_period(samples, period):
    """Samples grouped by period number."""
    groups = {}
    for t, v in samples:
        groups.setdefault(int(t / period + 1e-9), []).append(v)
    return [groups[k] for k in sorted(groups) if len(groups[k]) > 10]


def settle_periods(samples, period, kind, tolerance):
    """The first period from which the waveform stays settled, or None."""
    groups = per_period(samples, period)
    if len(groups) < 3:
        return None
    if kind == "oscillator":
        measure = [max(g) for g in groups]
    elif kind == "mean":
        measure = [sum(g) / len(g) for g in groups]
    else:  # the far node's waveform, period against period
        measure = None
    if measure is not None:
        final = measure[-1]
        scale = abs(final) or 1.0
        for k in range(len(measure)):
            if all(abs(m - final) <= tolerance * scale for m in measure[k:]):
                return k + 1
        return None
    scale = max(abs(v) for v in groups[-1]) or 1.0
    for k in range(1, len(groups)):
        a, b = groups[k - 1], groups[k]
        n = min(len(a), len(b))
        if max(abs(x - y) for x, y in zip(a[:n], b[:n])) <= tolerance * scale:
            # settled from here if every later pair agrees as well
            if all(max(abs(x - y) for x, y in zip(groups[j - 1][:n], groups[j][:n]))
                   <= tolerance * scale for j in range(k, len(groups))):
                return k + 1
    return None


def zero_crossing_period(samples, cycles):
    crossings = []
    for (t0, v0), (t1, v1) in zip(samples, samples[1:]):
        if v0 < 0.0 <= v1:
            crossings.append(t0 + (t1 - t0) * (-v0) / (v1 - v0))
    if len(crossings) < cycles + 1:
        return float("nan")
    last = crossings[-(cycles + 1):]
    return (last[-1] - last[0]) / cycles


# ngspice's time per node and time step, measured on the 100-section RLC
# ladder; it sizes the runs that would take too long to make.
NGSPICE_SECONDS_PER_NODE_STEP = 2e-7
NGSPICE_LONGEST = 900.0


def run_ngspice(circuit, folder, repeats, timeout, smoke):
    period = circuit["period"]
    kind = circuit["kind"]
    tolerance = 1e-3 if kind == "oscillator" else 1e-5
    # One calibration run a little longer than the settling the circuit's
    # time constant predicts, longer again while it has not settled.
    periods = int(math.ceil(1.3 * circuit["settle_hint"]))
    estimate = periods * 200 * circuit["ngspice_nodes"] * NGSPICE_SECONDS_PER_NODE_STEP
    if estimate > NGSPICE_LONGEST:
        return {"settled": None, "note": f"not run (≈{estimate / 3600:.1f} h to settle)"}
    settled = None
    samples = []
    for _ in range(3):
        samples = ngspice_samples(circuit["deck"], periods * period, folder, circuit["node"],
                                  timeout)
        settled = settle_periods(samples, period, kind, tolerance)
        if settled is not None and settled <= 0.9 * periods:
            break
        settled = None
        periods *= 2
    if settled is None:
        return {"settled": None, "note": f"not settled in {periods // 2} periods"}
    result = {"settled": settled, "folder": folder}
    if kind == "oscillator":
        result["period"] = zero_crossing_period(samples, 100)
    # Only the observed node is kept, as a user watching it would ask.
    text = circuit["deck"].replace("{tstop}", f"{settled * period:.6e}") + (
        f".save v({circuit['node']})\n.control\nrun\nquit\n.endc\n.end\n")
    with open(os.path.join(folder, "timed.cir"), "w") as f:
        f.write(text)
    walls = []
    while len(walls) < repeats:
        timed = run_timed(["ngspice", "-b", "timed.cir"], "", folder, timeout)
        if timed is None:
            return {"settled": None, "note": "timed out"}
        walls.append(timed[0])
        if walls[-1] > 30.0:
            break  # long runs are taken once
        if len(walls) == 1 and walls[0] < 0.1 and repeats > 1:
            repeats = 11
    result["wall"] = statistics.median(walls)
    return result


# --- the report ---------------------------------------------------------------

def fmt(x, digits=3):
    if x is None or (isinstance(x, float) and math.isnan(x)):
        return "–"
    if x == 0:
        return "0"
    if abs(x) >= 100:
        return f"{x:.0f}"
    return f"{x:.{digits}g}"


def machine():
    cpu = platform.processor() or ""
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    mem = ""
    try:
        with open("/proc/meminfo") as f:
            kb = int(f.readline().split()[1])
            mem = f"{kb / 1048576:.0f} GB"
    except OSError:
        pass
    return f"{cpu}, {os.cpu_count()} cores, {mem}, {platform.system()} {platform.release()}"


LOAD_AT_START = os.getloadavg() if hasattr(os, "getloadavg") else None


def load_text():
    """The machine's load average when the run began and when it ended: other
    work on its cores slows every figure, the ratios taken in one run less."""
    if LOAD_AT_START is None:
        return "unknown"
    end = os.getloadavg()
    return (f"{LOAD_AT_START[0]:.2f} when the run began, {end[0]:.2f} when it ended "
            f"(one-minute averages, on {os.cpu_count()} cores)")


def per_iteration(r):
    t = r.get("timings", {})
    n = t.get("iterations", 0) or 1
    return (t.get("assembly", 0) / n, (t.get("factor", 0) + t.get("substitute", 0)) / n,
            t.get("update", 0) / n)


def growth_exponent(points):
    """Least-squares slope of log(y) over log(x)."""
    pts = [(math.log(x), math.log(y)) for x, y in points if x > 0 and y and y > 0]
    if len(pts) < 2:
        return float("nan")
    mx = sum(p[0] for p in pts) / len(pts)
    my = sum(p[1] for p in pts) / len(pts)
    sxx = sum((p[0] - mx) ** 2 for p in pts)
    return sum((p[0] - mx) * (p[1] - my) for p in pts) / sxx if sxx else float("nan")


def write_report(path, results, repeats, started, baseline_rev, where, syncs, starts):
    lines = []
    w = lines.append
    w("# Performance")
    w("")
    w("Written by `make bench` (`bench/run_bench.py`); do not edit by hand.")
    w("")
    w(f"- Date: {started:%Y-%m-%d %H:%M} UTC")
    w(f"- Machine: {machine()}")
    w(f"- Load: {load_text()}")
    w(f"- Each figure is the median of {repeats} runs (of 11 for jobs under 0.1 s, "
      "and runs longer than 30 s once); "
      "every ratio is taken between figures of the same invocation.")
    w(f"- *Before*: pss at revision {baseline_rev}, the profile solve redone in "
      "every Newton iteration, run on the same network files; cases it cannot "
      "finish in memory or time, or cannot read (the rectifiers' junction "
      "diode came after it), are marked.")
    w(f"- Jobs under {fmt(IN_TURN_LIMIT)} s are timed once more in turn with the "
      f"earlier pss and with ngspice (when their runs are under {fmt(IN_TURN_LIMIT)} s "
      "too), and with a static program that does nothing (`bench/do_nothing.cpp`), "
      "run for run, so that all see the machine alike; their ratios come "
      "from those runs. ngspice's figure for a circuit thus varies a little from "
      "row to row.")
    w("- Each process is timed alone, from just before it is spawned to the "
      "kernel's report of its end, by a small program of the benchmark's own "
      "(`bench/spawn_timer.cpp`), its input and output through files; its peak "
      "memory is read in a run of its own under /usr/bin/time, whose own start "
      "would otherwise be a millisecond of every small job's figure.")
    w("- ngspice: its transient with a maximum step of 1/200 of the period and "
      "default tolerances, run until it has settled (oscillators: the amplitude "
      "within 1e-3; the rectifier: the mean over a period within 1e-5; the ladders "
      "and the grid: the far node's waveform within 1e-5 of the period before), "
      "timed for exactly that many periods, keeping only the observed node. "
      "A run that its circuit's slowest time constant says would take hours is "
      "not made; the estimate is shown instead.")
    w(f"- Both tools run in a folder on {where}. pss makes each state file "
      "survive a power cut by syncing it and its folder to the disk, which "
      "ngspice, writing nothing durable, does not; what those syncs add on a "
      "disk is measured apart (*State files on a disk*, below).")
    w("- The oscillators run at 64, 256 and 1024 planes, and once more at the "
      "fewest planes whose period error is no larger than ngspice's (*matched*), "
      "the count that the comparison with ngspice takes. Their time per "
      "iteration is the mean over the whole job (DC, fixed-period, double and "
      "coupled solves, the search's guarded ones included).")
    w("- *n* is the largest system of the job; *method* the linear solve chosen "
      "for it. Per Newton iteration: *assembly* evaluates the elements into the "
      "matrix and the residual, *solve* factorises and solves (or runs GMRES), "
      "*update* adds the correction to the unknowns, measures the error and "
      "prints its line.")
    w("")
    w("## Whole jobs")
    w("")
    w("| case | planes | n | method | Newton iterations | assembly ms/iter | solve ms/iter "
      "| update ms/iter | pss s | peak MB | before s | before MB | before / pss | ngspice s | "
      "ngspice periods | ngspice / pss | agrees |")
    w("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    for r in results:
        new = r["new"]
        if "timeout" in new:
            w(f"| {r['name']} | {r['planes']} | | timed out | | | | | | | | | | | | | |")
            continue
        t = new["timings"]
        method = METHOD_NAMES.get(int(t.get("method", 0)), "?") + \
            ORDER_NAMES.get(int(t.get("order", 0)), "")
        assembly, solve, update = per_iteration(new)
        old = r.get("old") or {}
        old_wall = old.get("wall")
        old_text = fmt(old_wall) if old_wall else old.get("note", "–")
        ratio = fmt(old_wall / new["wall"]) if old_wall else "–"
        ng = r.get("ngspice") or {}
        ng_ratio = fmt(ng["wall"] / new["wall"]) if ng.get("wall") else "–"
        ng_time = fmt(ng.get("wall")) if ng.get("wall") else ng.get("note", "–")
        agrees = r.get("agreement", "–")
        planes = f"{r['planes']} (matched)" if r.get("matched") else r["planes"]
        w(f"| {r['name']} | {planes} | {int(t.get('n', 0))} | {method} | "
          f"{len(new['iterations'])} | {fmt(assembly * 1e3)} | {fmt(solve * 1e3)} | "
          f"{fmt(update * 1e3)} | {fmt(new['wall'])} | {fmt(new['peak'])} | {old_text} | "
          f"{fmt(old.get('peak')) if old_wall else '–'} | {ratio} | "
          f"{ng_time} | {ng.get('settled') or '–'} | {ng_ratio} | {agrees} |")
    w("")
    w("*agrees*: the final state files of pss and of the earlier pss differ by at "
      "most that much relative to the largest value, with the same number of "
      "Newton iterations and every printed error above 1e-12 within 1e-5 "
      "relative; where a printed error differs by more, the largest absolute "
      "difference between the two runs' errors of one iteration follows in "
      "brackets.")
    w("")
    write_phases(w, results)
    w("## Growth with the planes and the sections")
    w("")
    w("Time per Newton iteration (assembly and linear solve together) and the "
      "growth exponent p of time ∝ N^p fitted over the plane counts; the linear "
      "solver's estimated multiply-adds of its factorisation or GMRES solve "
      "beside it.")
    w("")
    w("| circuit | ms/iter at each N | growth first to last N | exponent p | "
      "estimated work at each N |")
    w("|---|---|---|---|---|")
    by_name = {}
    for r in results:
        if "timeout" not in r["new"] and not r.get("matched"):
            by_name.setdefault(r["name"], []).append(r)
    for name, rs in by_name.items():
        pts = []
        works = []
        for r in rs:
            a, s, _ = per_iteration(r["new"])
            pts.append((r["planes"], a + s))
            t = r["new"]["timings"]
            method = int(t.get("method", 0))
            work = {1: t.get("profile_work"), 2: t.get("lu_work"),
                    3: t.get("gmres_work")}.get(method)
            works.append(f"{r['planes']}: {fmt(work)}")
        growth = pts[-1][1] / pts[0][1] if pts and pts[0][1] else float("nan")
        w(f"| {name} | " + ", ".join(f"{n}: {fmt(v * 1e3)}" for n, v in pts) +
          f" | {fmt(growth)}× ({pts[0][0]}→{pts[-1][0]}) | {fmt(growth_exponent(pts), 2)} | "
          + ", ".join(works) + " |")
    w("")
    sections = {}
    for r in results:
        m = re.match(r"(rc|rlc)_ladder_(\d+)$", r["name"])
        if m and "timeout" not in r["new"]:
            a, s, _ = per_iteration(r["new"])
            sections.setdefault((m.group(1), r["planes"]), []).append((int(m.group(2)), a + s))
    if sections:
        w("Growth in the sections at fixed planes (exponent q of time ∝ sections^q):")
        w("")
        w("| ladder | planes | exponent q |")
        w("|---|---|---|")
        for (kind, planes), pts in sorted(sections.items()):
            w(f"| {kind.upper()} | {planes} | {fmt(growth_exponent(pts), 2)} |")
        w("")
    osc = [r for r in results if r["name"].startswith("osc_") and "timeout" not in r["new"]]
    if osc:
        w("## Oscillators at the same period error")
        w("")
        w("The period error is against T0 = 2π√(LC). ngspice's period is measured "
          "from zero crossings over its last 100 cycles; pss's at the smallest "
          "plane count whose error is no larger is the one compared.")
        w("")
        w("| case | ngspice period error | ngspice s | pss planes | pss period error | "
          "pss s | ngspice / pss |")
        w("|---|---|---|---|---|---|---|")
        for q in sorted({r["name"] for r in osc}):
            rs = [r for r in osc if r["name"] == q]
            ng = rs[0].get("ngspice") or {}
            t0 = 1.0 / cases.OSC_F0
            ng_err = abs(ng.get("period", float("nan")) - t0) / t0
            chosen = None
            for r in sorted(rs, key=lambda r: r["planes"]):
                if r.get("period_error") is not None and r["period_error"] <= ng_err:
                    chosen = r
                    break
            if chosen is None:
                chosen = max(rs, key=lambda r: r["planes"])
            ng = chosen.get("ngspice") or ng  # as timed in turn with the row chosen
            ratio = ng["wall"] / chosen["new"]["wall"] if ng.get("wall") else float("nan")
            w(f"| {q} | {fmt(ng_err)} | {fmt(ng.get('wall'))} | {chosen['planes']} | "
              f"{fmt(chosen.get('period_error'))} | {fmt(chosen['new']['wall'])} | {fmt(ratio)} |")
        w("")
    write_syncs(w, results, syncs)
    write_checks(w, results, starts)
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def write_syncs(w, results, syncs):
    """What a state file's syncs cost on the disk of the build folder, and
    their share of the smallest jobs."""
    if not syncs:
        return
    small, large = syncs[8 * 1024], syncs[4 * 1024 * 1024]
    w("## State files on a disk")
    w("")
    w("pss writes each state file to a temporary name, syncs it, renames it "
      "into place and syncs the folder (see docs/reliability.md). Measured "
      "on the disk of the build folder (median of 21 writes, less the same "
      f"write on the memory file system): {fmt(small[1] * 1e3)} ms for a "
      f"state file of 8 KB, {fmt(large[1] * 1e3)} ms for one of 4 MB. On such "
      "a disk a job takes that much longer per state file it writes:")
    w("")
    w("| case | planes | state files | pss s | syncs s (8 KB each) | share of the job on the disk |")
    w("|---|---|---|---|---|---|")
    seen = set()
    for r in results:
        if "timeout" in r["new"] or r["name"] in seen or r.get("matched"):
            continue
        seen.add(r["name"])
        files = r.get("state_files", 0)
        extra = files * small[1]
        w(f"| {r['name']} | {r['planes']} | {files} | {fmt(r['new']['wall'])} | {fmt(extra)} | "
          f"{fmt(100.0 * extra / (r['new']['wall'] + extra) if extra else 0.0)} % |")
    w("")


def write_checks(w, results, starts):
    """The figures the solver is held to, each with what was measured."""
    def find(name, planes):
        return next((r for r in results if r["name"] == name and r["planes"] == planes
                     and "timeout" not in r["new"]), None)

    def mark(ok):
        return "yes" if ok else "**no**"

    w("## Checks")
    w("")
    w("| check | measured | met |")
    w("|---|---|---|")
    r = find("rc_ladder_1000", 256)
    if r and (r.get("old") or {}).get("wall"):
        ratio = r["old"]["wall"] / r["new"]["wall"]
        w(f"| 1000-section RC ladder, 256 planes: ≥ 20× faster than before, ≤ 250 MB | "
          f"{fmt(ratio)}×, {fmt(r['new']['peak'])} MB | "
          f"{mark(ratio >= 20 and r['new']['peak'] <= 250)} |")
    r = find("rc_ladder_1000", 1024)
    if r:
        w(f"| 1000-section RC ladder, 1024 planes: finishes | {fmt(r['new']['wall'])} s, "
          f"{fmt(r['new']['peak'])} MB | {mark(r['new']['status'] in (0, 1))} |")
    for name in ("osc_q50", "osc_q5000", "rc_ladder_10"):
        rs = sorted((x for x in results if x["name"] == name and "timeout" not in x["new"]
                     and not x.get("matched")), key=lambda x: x["planes"])
        if len(rs) >= 2:
            first, last = per_iteration(rs[0]["new"]), per_iteration(rs[-1]["new"])
            growth = (last[0] + last[1]) / (first[0] + first[1])
            allowed = 20.0 * rs[-1]["planes"] / 1024.0
            w(f"| {name}: time per iteration {rs[0]['planes']} → {rs[-1]['planes']} planes "
              f"grows ≤ {fmt(allowed)}× | {fmt(growth)}× | {mark(growth <= allowed)} |")
    for name, least in (("osc_q5000", 500.0), ("osc_q50", 10.0), ("rectifier", 10.0),
                        ("rectifier_1k_source", 10.0)):
        rs = [x for x in results if x["name"] == name and "timeout" not in x["new"]]
        if not rs or not (rs[0].get("ngspice") or {}).get("wall"):
            continue
        ng = rs[0]["ngspice"]
        if name.startswith("osc"):
            t0 = 1.0 / cases.OSC_F0
            err = abs(ng.get("period", float("nan")) - t0) / t0
            pick = next((x for x in sorted(rs, key=lambda x: x["planes"])
                         if x.get("period_error") is not None and x["period_error"] <= err),
                        max(rs, key=lambda x: x["planes"]))
        else:
            pick = min(rs, key=lambda x: x["planes"])
        # ngspice as timed in turn with the row picked, where it was
        ratio = (pick.get("ngspice") or ng)["wall"] / pick["new"]["wall"]
        w(f"| {name}: ≥ {fmt(least)}× faster than ngspice ({pick['planes']} planes) | "
          f"{fmt(ratio)}× | {mark(ratio >= least)} |")
    for r in results:
        if "timeout" in r["new"] or r["planes"] < 256:
            continue
        if not re.match(r"(rc|rlc)_ladder_(100|1000)$|rc_grid", r["name"]):
            continue
        ng = r.get("ngspice") or {}
        if ng.get("wall"):
            ratio = ng["wall"] / r["new"]["wall"]
            w(f"| {r['name']}, {r['planes']} planes: faster than ngspice | {fmt(ratio)}× | "
              f"{mark(ratio > 1)} |")
        else:
            w(f"| {r['name']}, {r['planes']} planes: faster than ngspice | ngspice "
              f"{ng.get('note', 'not run')}; pss {fmt(r['new']['wall'])} s | – |")
    slower = [f"{r['name']} {r['planes']}" for r in results
              if (r.get("old") or {}).get("wall") and "timeout" not in r["new"]
              and r["new"]["wall"] > r["old"]["wall"]]
    w(f"| no case slower than before | slower: {', '.join(slower) or 'none'} | "
      f"{mark(not slower)} |")
    far = [f"{r['name']} {r['planes']}: {r['agreement']}" for r in results
           if r.get("agreement") and not re.fullmatch(r"[0-9.e+-]+|0", r["agreement"].split()[0])]
    worst = max((float(r["agreement"].split()[0]) for r in results if r.get("agreement")
                 and re.fullmatch(r"[0-9.e+-]+|0", r["agreement"].split()[0])), default=0.0)
    w(f"| every result agrees with before to 1e-9 | largest difference {fmt(worst, 2)}"
      f"{'; ' + ', '.join(far) if far else ''} | {mark(worst <= 1e-9 and not far)} |")
    w("")
    write_limits(w, find, starts)


def job_phases(r):
    """A case's time in its phases, in seconds, from its median run's account:
    the plane copies, the pattern, the solver's set-up, Newton's iterations
    and the rest (the process, the dialogue, the DC solve, the state files)."""
    t = r["new"].get("timings", {})
    if "expansion" not in t or "timed_wall" not in r["new"]:
        return None
    iterations = sum(t.get(k, 0) for k in ("assembly", "factor", "substitute", "update"))
    named = t["expansion"] + t["pattern"] + t.get("setup", 0) + iterations
    return {"wall": r["new"]["timed_wall"], "expansion": t["expansion"], "pattern": t["pattern"],
            "setup": t.get("setup", 0), "iterations": iterations,
            "rest": max(r["new"]["timed_wall"] - named, 0.0)}


def ladder_phases_text(r, ng):
    """The share of a ladder's job that its plane copies and pattern take,
    set against ngspice's whole run."""
    p = job_phases(r)
    if not p:
        return ""
    return (f" In its median run ({fmt(p['wall'] * 1e3)} ms) the plane copies, which hold "
            f"every node's records and lists once per plane, took "
            f"{fmt(p['expansion'] * 1e3)} ms and the pattern built from them "
            f"{fmt(p['pattern'] * 1e3)} ms: together "
            f"{fmt(100 * (p['expansion'] + p['pattern']) / ng['wall'], 2)} % of ngspice's "
            f"whole run, before the solver's set-up ({fmt(p['setup'] * 1e3)} ms) and "
            f"the Newton iterations ({fmt(p['iterations'] * 1e3)} ms).")


def write_phases(w, results):
    """Where each case's time goes on its most planes."""
    largest = {}
    for r in results:
        if "timeout" not in r["new"] and not r.get("matched"):
            if r["planes"] >= largest.get(r["name"], {"planes": 0})["planes"]:
                largest[r["name"]] = r
    rows = [(r, job_phases(r)) for r in largest.values()]
    rows = [(r, p) for r, p in rows if p]
    if not rows:
        return
    w("## Where a job's time goes")
    w("")
    w("Each case on its most planes, in its median run: the plane "
      "copies with their node lists, the numbering and the pattern, the linear solver's "
      "set-up, the Newton iterations (assembly, solve and update), and the rest: the "
      "process, the dialogue, the DC solve and the state files. In milliseconds.")
    w("")
    w("| case | planes | whole job | plane copies | pattern | solver set-up | iterations "
      "| the rest |")
    w("|---|---|---|---|---|---|---|---|")
    for r, p in rows:
        w(f"| {r['name']} | {r['planes']} | {fmt(p['wall'] * 1e3)} | "
          f"{fmt(p['expansion'] * 1e3)} | {fmt(p['pattern'] * 1e3)} | "
          f"{fmt(p['setup'] * 1e3)} | {fmt(p['iterations'] * 1e3)} | {fmt(p['rest'] * 1e3)} |")
    w("")


def write_limits(w, find, starts):
    """What stands behind the comparisons with ngspice that fall short of
    their checks, in the figures of this run."""
    notes = []
    fast, slow = find("rectifier", 64), find("rectifier_1k_source", 64)
    if (fast and (fast.get("ngspice") or {}).get("wall")
            and fast["ngspice"]["wall"] < 10.0 * fast["new"]["wall"]):
        ng = fast["ngspice"]
        text = (f"*The rectifier* charges its capacitor to the peak through the diode in "
                f"the first cycle, so ngspice's transient has settled after "
                f"{ng['settled']} periods ({fmt(ng['wall'] * 1e3)} ms, its start "
                f"included), while pss's job is {len(fast['new']['iterations'])} Newton "
                f"iterations under SPICE's junction limiting ({fmt(fast['new']['wall'] * 1e3)} "
                f"ms, its start included).")
        if starts:
            pss_start, ngspice_start = starts
            text += (f" Each figure holds its program's start: pss given no job "
                     f"takes {fmt(pss_start * 1e3)} ms, ngspice on an empty deck "
                     f"{fmt(ngspice_start * 1e3)} ms, so two jobs that do little "
                     f"compare as their starts do "
                     f"({fmt(ngspice_start / pss_start)}×).")
        nothing = fast.get("floor")
        if nothing and fast["new"]["wall"] > nothing:
            text += (f" A static program that does nothing, timed in the same turns, "
                     f"took {fmt(nothing * 1e3)} ms: a process's start and end on "
                     f"this machine, under any program's figure. Above it pss's job "
                     f"took {fmt((fast['new']['wall'] - nothing) * 1e3)} ms and "
                     f"ngspice's {fmt((ng['wall'] - nothing) * 1e3)} ms "
                     f"({fmt((ng['wall'] - nothing) / (fast['new']['wall'] - nothing))}×).")
        if slow and (slow.get("ngspice") or {}).get("wall"):
            text += (f" Behind a 1 kΩ source the same load charges over "
                     f"{slow['ngspice']['settled']} periods, and there pss is "
                     f"{fmt(slow['ngspice']['wall'] / slow['new']['wall'])}× faster.")
        notes.append(text)
    for planes in (256, 1024):
        r = find("rc_ladder_100", planes)
        ng = (r or {}).get("ngspice") or {}
        if r and ng.get("wall") and ng["wall"] < r["new"]["wall"]:
            n = r["new"]["timings"].get("n", 0) or 1
            notes.append(
                f"*The 100-section RC ladder* settles in {ng['settled']} periods of its "
                f"100 nodes in ngspice ({fmt(ng['wall'] * 1e3)} ms); on {planes} planes "
                f"pss solves {int(n)} unknowns in {fmt(r['new']['wall'] * 1e3)} ms, "
                f"{fmt(r['new']['wall'] / n * 1e9)} ns an unknown for the whole job."
                + ladder_phases_text(r, ng))
    if notes:
        w("Behind the comparisons with ngspice that fall short:")
        w("")
        for text in notes:
            w(f"- {text}")
        w("")


def pss_period(wave, folder, job):
    out = subprocess.run([wave, job, f"{job}O0.var"], cwd=folder, capture_output=True,
                         text=True).stdout
    m = re.search(r"^# period (\S+) s", out, re.M)
    return float(m.group(1)) if m else None


def memory_folder():
    """/dev/shm when it is a memory file system, else None."""
    try:
        with open("/proc/mounts") as f:
            for line in f:
                parts = line.split()
                if len(parts) > 2 and parts[1] == "/dev/shm" and parts[2] == "tmpfs":
                    return "/dev/shm"
    except OSError:
        pass
    return None


def write_and_sync(folder, size, repeats=21):
    """Median seconds of pss's atomic write of `size` bytes in `folder`: the
    write, the file's fsync, the rename and the folder's fsync."""
    os.makedirs(folder, exist_ok=True)
    data = bytes(size)
    path = os.path.join(folder, "state.var")
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        with open(path + ".tmp", "wb") as f:
            f.write(data)
            f.flush()
            os.fsync(f.fileno())
        os.rename(path + ".tmp", path)
        fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
        try:
            os.fsync(fd)
        finally:
            os.close(fd)
        times.append(time.perf_counter() - start)
    shutil.rmtree(folder, ignore_errors=True)
    return statistics.median(times)


def sync_costs(disk_folder, memory):
    """The cost of a state file's syncs on the disk: its atomic write there
    less the same write on the memory file system, for a small and a large
    state file."""
    costs = {}
    for size in (8 * 1024, 4 * 1024 * 1024):
        on_disk = write_and_sync(os.path.join(disk_folder, "pss-bench-sync"), size)
        in_memory = (write_and_sync(tempfile.mkdtemp(prefix="pss-bench-sync-", dir=memory), size)
                     if memory else 0.0)
        costs[size] = (on_disk, max(on_disk - in_memory, 0.0))
    return costs


class bench_run:
    """What every case of one invocation shares."""

    def __init__(self, args, work):
        self.args = args
        self.work = work
        self.exe = os.path.join(args.build, "bench", "pss_timed_job")
        self.net = os.path.join(args.build, "bin", "pss-net")
        self.wave = os.path.join(args.build, "bin", "pss-wave")
        self.lu_orders = os.path.join(args.build, "bench", "pss_lu_orders")
        self.old_exe = os.path.join(args.baseline, "pss") if args.baseline else None
        self.have_ngspice = shutil.which("ngspice") is not None and not args.no_ngspice
        self.repeats = 1 if args.smoke else args.repeats
        self.results = []
        self.failures = 0


def run_case(b, name, circuit, planes, matched=False):
    """pss, the earlier pss and (once per circuit) ngspice on one case."""
    folder = os.path.join(b.work, f"{name}_{planes}")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "job.cir"), "w") as f:
        f.write(circuit["netlist"])
    subprocess.run([b.net, "compile", "job.cir", "-o", "job.net"], cwd=folder, check=True,
                   capture_output=True)
    new = run_pss(b.exe, folder, "job", circuit, b.repeats, 3600, 30.0)
    r = {"name": name, "planes": planes, "new": new, "matched": matched}
    if ("timeout" in new or new["status"] not in (0, 1) or not new["iterations"]
            or "not converged" in new["out"]):
        b.failures += 1
        print(f"{name} {planes}: pss failed", file=sys.stderr)
    r["state_files"] = len([f for f in os.listdir(folder) if f.endswith(".var")])
    suffix = circuit["state"]
    new_state = state_values(b.wave, folder, "job", suffix)
    if circuit["kind"] == "oscillator" and "timeout" not in new:
        t = pss_period(b.wave, folder, "job")
        if t:
            r["period_error"] = abs(t - 1.0 / cases.OSC_F0) * cases.OSC_F0
    if b.old_exe and os.path.exists(b.old_exe) and "timeout" not in new:
        r.update(run_before(b, name, circuit, planes, folder, new, new_state))
    # ngspice's run does not depend on the planes: it settles once per
    # circuit, and its deck serves every row.
    earlier = next((x["ngspice"] for x in b.results if x["name"] == name and "ngspice" in x),
                   None)
    if b.have_ngspice and earlier is None:
        r["ngspice"] = run_ngspice(circuit, folder, b.repeats, 3600, b.args.smoke)
    elif earlier is not None:
        r["ngspice"] = earlier
    if "timeout" not in new and not b.args.smoke:
        time_in_turn(b, r, circuit, folder)
    b.results.append(r)
    ng = r.get("ngspice", {})
    print(f"{name:16s} {planes:5d}  pss {fmt(new.get('wall'))} s  "
          f"before {fmt((r.get('old') or {}).get('wall'))} s  "
          f"ngspice {fmt(ng.get('wall'))} s", file=sys.stderr, flush=True)
    return r


def profile_work_found(b, folder, planes, circuit):
    """The profile factorisation's work in the order pss would take for the
    case's system, or None when it cannot be had."""
    try:
        out = subprocess.run([b.lu_orders, "--profile-work", "job.net", str(planes),
                              repr(1.0 / circuit["period"])], cwd=folder, capture_output=True,
                             text=True, timeout=3600)
        return float(out.stdout.split()[0])
    except (OSError, subprocess.SubprocessError, ValueError, IndexError):
        return None


def run_before(b, name, circuit, planes, folder, new, new_state):
    """The earlier pss on the same network file, and how far its answers lie
    from today's."""
    t = new["timings"]
    work = t.get("profile_work", 0)
    if t.get("profile_bound"):
        # pss knew GMRES would win without ordering the equations, and
        # reports only a lower bound; the earlier pss ordered them.
        work = profile_work_found(b, folder, planes, circuit) or work
    # The earlier profile solve of this pattern, at the rate measured on
    # small cases (about 1e9 multiply-adds a second), and its profile copy of
    # 24 bytes an entry.
    est_seconds = work / 1e9 * max(1, len(new["iterations"]))
    est_bytes = 24.0 * math.sqrt(max(work, 0) * max(t.get("n", 1), 1))
    if est_seconds > 600:
        return {"old": {"note": f"not run (≈{est_seconds / 60:.0f} min)"}}
    if est_bytes > 16e9:
        return {"old": {"note": f"not run (≈{est_bytes / 1e9:.0f} GB)"}}
    old_folder = folder + "_before"
    shutil.rmtree(old_folder, ignore_errors=True)
    shutil.copytree(folder, old_folder, ignore=shutil.ignore_patterns("*.var", "*.dat"))
    old = run_pss(b.old_exe, old_folder, "job", circuit, b.repeats, 1800, 30.0)
    if "timeout" in old:
        return {"old": {"note": "timed out"}}
    if "unrecognised conection type" in old["out"]:
        # The network holds an element that came after it (the junction
        # diode of the rectifiers).
        return {"old": {"note": "cannot read it (a later element)"}}
    if not old["iterations"] or "calloc failed" in old["out"]:
        return {"old": {"note": "failed: " + (old["out"].strip().splitlines() or ["?"])[-1]}}
    if "not converged" in old["out"]:
        return {"old": {"note": f"not converged ({fmt(old['wall'])} s)"}}
    if "collapsed to the equilibrium" in old["out"] and "collapsed" not in new["out"]:
        # It ends on the equilibrium, with its warning, where today's search
        # goes on to the natural cycle: a different job, neither timed nor
        # compared.
        return {"old": {"note": "ends at the equilibrium (its warning)"}}
    r = {"old": old}
    if old["wall"] < IN_TURN_LIMIT and new["wall"] < IN_TURN_LIMIT:
        r["old_folder"] = old_folder  # timed again in turn with today's (run_case)
    diff = relative_difference(new_state, state_values(b.wave, old_folder, "job", circuit["state"]))
    same = errors_agree(new["iterations"], old["iterations"])
    if len(new["iterations"]) != len(old["iterations"]):
        r["agreement"] = "iterations differ"
    elif math.isnan(diff):
        r["agreement"] = "–"
    else:
        r["agreement"] = fmt(diff, 2) + ("" if same else " (errors ±" + fmt(
            error_distance(new["iterations"], old["iterations"]), 2) + ")")
    if not same or not diff <= 1e-9:
        print(f"{name} {planes}: differs from before ({r['agreement']})", file=sys.stderr)
    return r


def alternate(jobs, repeats, timeout=600):
    """The median wall time of each (command, input, folder) of `jobs`, run
    in turn `repeats` times; None when one does not finish."""
    walls = [[] for _ in jobs]
    for _ in range(repeats):
        for i, (command, stdin_text, folder) in enumerate(jobs):
            result = run_timed(command, stdin_text, folder, timeout)
            if result is None:
                return None
            walls[i].append(result[0])
    return [statistics.median(w) for w in walls]


def process_starts(b):
    """The wall times of pss that is given no job (its start and one line)
    and of ngspice on an empty deck, timed in turn: the floor under every
    small job's figure."""
    folder = tempfile.mkdtemp(prefix="pss-bench-start-", dir=b.work)
    with open(os.path.join(folder, "empty.cir"), "w") as f:
        f.write("* nothing to simulate\n.end\n")
    jobs = [([os.path.join(b.args.build, "bin", "pss")], "", folder),
            (["ngspice", "-b", "empty.cir"], "", folder)]
    return alternate(jobs, 21)


# Jobs shorter than this are timed again in turn with the others they are
# compared with (time_in_turn). Not longer ones: after a partner that ran
# for seconds, pss's next run on this virtual machine at times took four
# times as long, waiting for memory the machine had handed back to its
# host, which is no figure of either program's work.
IN_TURN_LIMIT = 1.0


def time_in_turn(b, r, circuit, folder):
    """Jobs under IN_TURN_LIMIT are timed again in turn, run for run, with
    the earlier pss, with ngspice and with a program that does nothing (the
    floor, in r["floor"]), so that all see the machine alike: a
    job of milliseconds is compared with another, and the other work on the
    machine varies between two batches of runs."""
    new = r["new"]
    if new.get("wall") is None or new["wall"] >= IN_TURN_LIMIT:
        return
    jobs = [([b.exe, "job"], circuit["answers"], folder)]
    old_folder = r.pop("old_folder", None)
    if old_folder:
        jobs.append(([b.old_exe, "job"], circuit["answers"], old_folder))
    ng = r.get("ngspice")
    if ng and ng.get("wall") is not None and ng["wall"] < IN_TURN_LIMIT:
        jobs.append((["ngspice", "-b", "timed.cir"], "", ng["folder"]))
    if len(jobs) == 1:
        return
    slowest = max([new["wall"], ng["wall"] if ng and ng.get("wall") else 0.0] +
                  ([r["old"]["wall"]] if old_folder else []))
    # A program that does nothing, in the same turns: the floor of a
    # process's start and end on the machine as the others saw it.
    nothing = os.path.join(b.args.build, "bench", "pss_do_nothing")
    floor = os.access(nothing, os.X_OK)
    if floor:
        jobs.append(([nothing], "", folder))
    walls = alternate(jobs, 11 if slowest < 0.1 else b.repeats)
    if walls is None:
        return
    if floor:
        r["floor"] = walls.pop()
    new["wall"] = walls.pop(0)
    if old_folder:
        r["old"]["wall"] = walls.pop(0)
    if walls:
        r["ngspice"] = dict(ng, wall=walls.pop(0))


def run_matched_oscillators(b):
    """Each oscillator once more at the fewest planes whose period error is
    no larger than ngspice's: the plane count a user matching ngspice's
    accuracy would take, rather than one of the fixed counts."""
    for name in dict.fromkeys(r["name"] for r in b.results if r["name"].startswith("osc_")):
        ng = next((r["ngspice"] for r in b.results if r["name"] == name and "ngspice" in r), {})
        t0 = 1.0 / cases.OSC_F0
        err = abs(ng.get("period", float("nan")) - t0) / t0
        if not ng.get("wall") or not math.isfinite(err) or err <= 0:
            continue
        q = int(name[len("osc_q"):])
        planes = cases.planes_for_period_error(err)
        for _ in range(4):
            if any(r["name"] == name and r["planes"] == planes for r in b.results):
                break
            r = run_case(b, name, cases.oscillator(q, planes), planes, matched=True)
            if r.get("period_error") is not None and r["period_error"] <= err:
                break
            planes = int(math.ceil(planes * 1.15))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.dirname(here)
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--build", default=os.path.join(root, "build"))
    p.add_argument("--baseline", default=None, help="folder holding the earlier pss")
    p.add_argument("--baseline-rev", default="?")
    p.add_argument("--out", default=os.path.join(root, "docs", "performance.md"))
    p.add_argument("--repeats", type=int, default=3)
    p.add_argument("--smoke", action="store_true")
    p.add_argument("--only", default="", help="run only cases whose name holds this")
    p.add_argument("--no-ngspice", action="store_true")
    p.add_argument("--work", default=None, help="folder for the runs (default: temporary, on a "
                   "memory file system when there is one)")
    args = p.parse_args()

    args.build = os.path.abspath(args.build)
    if args.baseline:
        args.baseline = os.path.abspath(args.baseline)
    started = datetime.datetime.utcnow()
    # The runs write their state files on a memory file system, where the
    # syncs that make them survive a power cut cost nothing: ngspice writes
    # nothing durable, and the syncs' cost depends on the disk, not on the
    # solver. What they cost on the disk is measured apart.
    memory = memory_folder()
    work = args.work or tempfile.mkdtemp(prefix="pss-bench-", dir=memory)
    b = bench_run(args, work)
    global SPAWN_TIMER
    spawner = os.path.join(args.build, "bench", "pss_spawn_timer")
    SPAWN_TIMER = spawner if os.access(spawner, os.X_OK) else None
    order = []
    for name, circuit, planes in cases.suite(args.smoke):
        if args.only and args.only not in name:
            continue
        if name not in order:
            order.append(name)
        run_case(b, name, circuit, planes)
    if not args.smoke:
        run_matched_oscillators(b)
    results = sorted(b.results, key=lambda r: (order.index(r["name"]), r["planes"]))
    # ngspice does not depend on the planes: one figure serves every row.
    for r in results:
        if "ngspice" not in r:
            same = [x for x in results if x["name"] == r["name"] and "ngspice" in x]
            if same:
                r["ngspice"] = same[0]["ngspice"]
    if not args.smoke:
        syncs = sync_costs(args.build, memory)
        where = (f"a memory file system ({memory})" if memory and not args.work
                 else f"{os.path.abspath(work)}")
        starts = process_starts(b) if b.have_ngspice else None
        write_report(args.out, results, b.repeats, started, args.baseline_rev, where, syncs,
                     starts)
        print(f"written {args.out}", file=sys.stderr)
    if not args.work:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if b.failures else 0


if __name__ == "__main__":
    sys.exit(main())
