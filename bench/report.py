#!/usr/bin/env python3
"""Turns qjl_bench's Google Benchmark JSON into the results table.

A measure runs both sides in turns in one benchmark, <measure>/pair/<N>/..., whose counters ours_ms and
bare_ms (or ours_<N>_ms, bare_<N>_ms) hold each side's time; a one-sided measure is <measure>/ours/<N>/...
and the peak memory pair reports peak_MiB from <measure>/ours/<N> and <measure>/bare/<N>. The table shows
the medians over the repetitions, their ratio (ours / bare) and whether the target holds.

usage: report.py <results.json> [--results-md bench/RESULTS.md]
"""

import argparse
import json
import os
import platform
import re
import subprocess
import sys

NAME = re.compile(r"^(?P<measure>[A-Za-z0-9_]+)/(?P<side>ours|bare|pair)/(?P<n>\d+)")

# (measure, N, label, target ratio or None for a reported-only row, unit)
RATIO_ROWS = [
    ("fv_RefreshTree", 1000, "fv_RefreshTree", None, "ms"),
    ("fv_RefreshTree", 10000, "fv_RefreshTree", None, "ms"),
    ("fv_RefreshTree", 100000, "fv_RefreshTree", 1.25, "ms"),
    ("search_title", 100000, "search by title, 杯具", 1.5, "ms"),
    ("search_date", 100000, "search by date, 2009-09-08", 1.5, "ms"),
    ("search_week", 100000, "search by weekday, 星期一", 1.5, "ms"),
    ("search_weather", 100000, "search by weather, 大雨", 1.5, "ms"),
    ("search_body", 100000, "search by body, 今天", 1.5, "ms"),
    ("search_body_first_hit", 100000, "search by body: the first hit on screen", None, "ms"),
    ("click_to_pane", 100000, "left click on an entry → filled reading pane", 1.5, "ms"),
    ("save_new_entry", 100000, "save a new entry (INSERT, durable)", 1.2, "ms"),
    ("save_changed_entry", 100000, "save a changed entry (UPDATE, durable)", 1.2, "ms"),
    ("save_cycle", 10000, "save in the editor → main window back, tree rebuilt", None, "ms"),
    ("save_cycle", 100000, "save in the editor → main window back, tree rebuilt", None, "ms"),
    ("startup_to_login", 100000, "start-up → login window shown with names (process)", 1.5, "ms"),
    ("peak_memory_tree", 100000, "peak memory after refreshing the tree (process)", 1.5, "MiB"),
    ("import_16MiB_gbk", 16777216, "read a 16 MiB GBK file by the import rule", 1.5, "ms"),
    ("import_editor_shows", 16777216, "…until the editor shows it", None, "ms"),
    ("fv_RefreshTree_on_screen", 100000, "fv_RefreshTree + the tree repainted", None, "ms"),
    ("signin_lookup", 100000, "sign-in: account lookup (query)", None, "ms"),
    ("signin_password_check", 100000, "sign-in: password check (Argon2id verify)", None, "ms"),
    ("signin_during_backup", 100000, "sign-in → main window shown, a backup running (ours) / none (bare)", 1.1,
     "ms"),
    ("mainwindow_load", 10000, "main window load (Form_Load) until shown and painted", None, "ms"),
    ("mainwindow_load", 100000, "main window load (Form_Load) until shown and painted", None, "ms"),
    ("banner_data", 10000, "banner figures from the tree's rows", None, "ms"),
    ("banner_data", 100000, "banner figures from the tree's rows", None, "ms"),
    ("banner_character_total", 10000, "…the character total on the page (own thread)", None, "ms"),
    ("banner_character_total", 100000, "…the character total on the page (own thread)", None, "ms"),
    ("datatool_export_json", 100000, "qingjianlu-data export --format json / sqlcipher shell reading the rows "
     "(processes)", 1.5, "ms"),
    ("datatool_import_json", 100000, "qingjianlu-data import --from json, its backup of data.mdb included / sqlcipher "
     "shell inserting the rows (processes)", None, "ms"),
]


def load(paths):
    medians, counters = {}, {}
    context = None
    for path in paths:
        with open(path, encoding="utf-8") as handle:
            data = json.load(handle)
        context = context or data.get("context", {})
        for run in data.get("benchmarks", []):
            name = run.get("run_name") or run.get("name", "")
            match = NAME.match(name)
            if not match:
                continue
            # With repetitions only the aggregates are written; without, the single run is the median.
            if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
                continue
            key = (match["measure"], match["side"], int(match["n"]))
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run.get("time_unit", "ns")]
            medians[key] = run["real_time"] * scale
            counters[key] = {k: v for k, v in run.items() if k not in ("real_time", "cpu_time") and
                             isinstance(v, (int, float))}
    return medians, counters, context


def value(medians, counters, measure, side, n, unit):
    key = (measure, side, n)
    if unit == "MiB":
        return counters.get(key, {}).get("peak_MiB")
    # Both sides taken in turns in one benchmark: each side's time is a counter, "<side>_ms", or
    # "<side>_<N>_ms" when one benchmark covers several sizes.
    for (m, s, pair_n), values in counters.items():
        if m != measure or s != "pair":
            continue
        if pair_n == n and f"{side}_ms" in values:
            return values[f"{side}_ms"]
        if f"{side}_{n}_ms" in values:
            return values[f"{side}_{n}_ms"]
    return medians.get(key)


def fmt(number, unit):
    if number is None:
        return "—"
    if unit == "MiB":
        return f"{number:.1f} MiB"
    if number >= 100:
        return f"{number:.0f} ms"
    if number >= 1:
        return f"{number:.1f} ms"
    return f"{number * 1000:.0f} µs"


def table(medians, counters):
    lines = ["| measure | N | ours | bare | limit | ratio to bare | ratio to limit | target | met |",
             "|---|---|---|---|---|---|---|---|---|"]
    unmet = []
    for measure, n, label, target, unit in RATIO_ROWS:
        ours = value(medians, counters, measure, "ours", n, unit)
        bare = value(medians, counters, measure, "bare", n, unit)
        if ours is None and bare is None:
            continue
        ratio = ours / bare if ours is not None and bare else None
        limit = value(medians, counters, measure, "limit", n, unit)
        limit_ratio = ours / limit if ours is not None and limit else None
        limit_text = f"{limit_ratio:.2f}" if limit_ratio is not None else "—"
        shown_n = "16 MiB" if n == 16777216 else f"{n:,}".replace(",", " ")
        if target is None:
            target_text, met = "report", "—"
        else:
            target_text = f"≤ {target:g}"
            met = "yes" if ratio is not None and ratio <= target else "NO"
            if met != "yes":
                unmet.append(label)
        ratio_text = f"{ratio:.2f}" if ratio is not None else "—"
        lines.append(f"| {label} | {shown_n} | {fmt(ours, unit)} | {fmt(bare, unit)} | {fmt(limit, unit)} | "
                     f"{ratio_text} | {limit_text} | {target_text} | {met} |")

        if measure == "fv_RefreshTree" and n == 100000:
            small = value(medians, counters, "fv_RefreshTree", "ours", 10000, unit)
            small_bare = value(medians, counters, "fv_RefreshTree", "bare", 10000, unit)
            if ours is not None and small:
                growth = ours / small
                bare_growth = bare / small_bare if bare and small_bare else None
                met = "yes" if growth <= 11 else "NO"
                if met != "yes":
                    unmet.append("fv_RefreshTree growth")
                bare_text = f"{bare_growth:.2f}×" if bare_growth else "—"
                lines.append(f"| fv_RefreshTree growth, N = 100 000 ÷ N = 10 000 | 100 000 / 10 000 | "
                             f"{growth:.2f}× | {bare_text} | — | — | — | ours ≤ 11× | {met} |")

    imported = value(medians, counters, "datatool_import_json", "ours", 100000, "ms")
    backup = value(medians, counters, "datatool_import_json", "backup", 100000, "ms")
    after = value(medians, counters, "datatool_import_json", "after", 100000, "ms")
    inserted = value(medians, counters, "datatool_import_json", "bare", 100000, "ms")
    if imported is not None and backup is not None and after is not None and inserted:
        ratio = after / inserted
        met = "yes" if ratio <= 1.5 else "NO"
        if met != "yes":
            unmet.append("import without its backup")
        lines.append(f"| …the import after its backup (from its backup line to its end, same run) | 100 000 | "
                     f"{fmt(after, 'ms')} | {fmt(inserted, 'ms')} | — | {ratio:.2f} | — | ≤ 1.5 | {met} |")
        lines.append(f"| …its sign-in and backup of data.mdb (start to its backup line, same run) | 100 000 | {fmt(backup, 'ms')} | — | — | "
                     f"— | — | report | — |")
    # The data tool streams: its peak memory must not grow with the diary.
    for command in ("export_json", "export_md", "import_json"):
        small = counters.get(("datatool_peak", "ours", 1000), {}).get(f"{command}_MiB")
        large = counters.get(("datatool_peak", "ours", 100000), {}).get(f"{command}_MiB")
        if small and large:
            growth = large / small
            met = "yes" if growth <= 1.2 else "NO"
            if met != "yes":
                unmet.append(f"peak memory of {command}")
            lines.append(f"| peak memory of qingjianlu-data {command.replace('_', ' ')}, 100 000 entries ÷ 1 000 | "
                         f"100 000 / 1 000 | {fmt(large, 'MiB')} | {fmt(small, 'MiB')} | — | {growth:.2f} | — | "
                         f"≤ 1.2 | {met} |")

    lookup = value(medians, counters, "signin_lookup", "ours", 100000, "ms")
    check = value(medians, counters, "signin_password_check", "ours", 100000, "ms")
    if lookup is not None and check is not None:
        share = check / (lookup + check)
        met = "yes" if share >= 0.95 else "NO"
        if met != "yes":
            unmet.append("sign-in share")
        lines.append(f"| sign-in: the password check's share of lookup + check | 100 000 | {share:.1%} | — | — | — | — | "
                     f"≥ 95 % | {met} |")
    return "\n".join(lines), unmet


def machine():
    model = "unknown"
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as handle:
            for line in handle:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    memory = "unknown"
    try:
        with open("/proc/meminfo", encoding="utf-8") as handle:
            for line in handle:
                if line.startswith("MemTotal"):
                    memory = f"{int(line.split()[1]) / 1024 / 1024:.1f} GiB"
                    break
    except OSError:
        pass
    load = " ".join(f"{x:.2f}" for x in os.getloadavg())
    return f"{os.cpu_count()} CPUs (nproc {os.sysconf('SC_NPROCESSORS_ONLN')}), {model}, {memory} memory, " \
           f"{platform.system()} {platform.release()}; load average at the end {load}"


def commit(root):
    try:
        return subprocess.run(["git", "-C", root, "rev-parse", "--short", "HEAD"], capture_output=True, text=True,
                              check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("json", nargs="+")
    parser.add_argument("--results-md", help="replace the table section of this file")
    parser.add_argument("--repetitions", default="?")
    parser.add_argument("--elapsed", default="?")
    args = parser.parse_args()

    medians, counters, context = load(args.json)
    text, unmet = table(medians, counters)
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    header = (f"Machine: {machine()}.  \n"
              f"Run: {context.get('date', '?')}, commit {commit(root)}, medians over {args.repetitions} repetitions "
              f"(more where a measure sets its own; random interleaving), bench/run took {args.elapsed}.")
    print(header)
    print()
    print(text)
    if unmet:
        print()
        print("Targets not met: " + ", ".join(unmet))

    if args.results_md:
        with open(args.results_md, encoding="utf-8") as handle:
            document = handle.read()
        begin, end = "<!-- results:begin -->", "<!-- results:end -->"
        if begin not in document or end not in document:
            sys.exit(f"{args.results_md} has no {begin} … {end} section")
        before = document.split(begin)[0]
        after = document.split(end, 1)[1]
        with open(args.results_md, "w", encoding="utf-8") as handle:
            handle.write(f"{before}{begin}\n{header}\n\n{text}\n{end}{after}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
