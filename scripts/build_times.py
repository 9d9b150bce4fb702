#!/usr/bin/env python3
"""Where a build folder's time went, from Ninja's log of its last build.

    python3 scripts/build_times.py build [N]

Prints the seconds of every step summed by kind (compile, precompiled header, moc, moc's
compilation file, link, archive) and by part of the tree (the client's libraries and the
simulator, the tests, the fuzz targets, the benchmarks), then the N targets and the N steps that
took longest (N is 15 unless given). The sums are processor seconds of the steps, not wall time:
Ninja runs two at once on this machine. Best read after a build from nothing.
"""
import collections
import re
import sys


def steps(log_path):
    """Each step of the log once, named by its main output (a step that writes several files has a
    line for each: moc's step also writes the compilation file, named by its time stamp here)."""
    latest = {}
    with open(log_path, encoding="utf-8") as log:
        for line in log:
            if line.startswith("#"):
                continue
            start, end, _mtime, output, command_hash = line.rstrip("\n").split("\t")
            latest[output] = (int(start), int(end), command_hash)
    outputs = collections.defaultdict(list)
    for output, step in latest.items():
        outputs[step].append(output)
    for (start, end, _hash), names in outputs.items():
        stamps = [name for name in names if name.endswith("_autogen/timestamp")]
        yield (stamps or sorted(names))[0], (end - start) / 1000


def kind(output):
    if "cmake_pch" in output:
        return "pch"
    if output.endswith("_autogen/timestamp"):
        return "moc"
    if "mocs_compilation" in output:
        return "moc compile"
    if output.endswith(".o"):
        return "compile"
    if output.endswith(".a"):
        return "archive"
    if re.search(r"\.(cpp|stamp|gz|depends)$", output):
        return "generate"
    return "link"


def part(output):
    output = re.sub(r"^.*?/build[^/]*/", "", output)  # autogen steps name absolute paths
    if output.startswith("tests/") and "/support/" not in output and "faultmatrix" not in output:
        return "tests"
    for prefix in ("fuzz", "bench", "tools"):
        if output.startswith(prefix + "/"):
            return prefix
    return "libraries"


def target(output):
    match = re.search(r"CMakeFiles/([^/]+)\.dir/", output) or re.search(r"([^/]+)_autogen/", output)
    return match.group(1) if match else output.rsplit("/", 1)[-1]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    all_steps = list(steps(sys.argv[1] + "/.ninja_log"))
    by_kind = collections.Counter()
    by_part = collections.Counter()
    by_target = collections.Counter()
    for output, seconds in all_steps:
        by_kind[kind(output)] += seconds
        by_part[(part(output), kind(output))] += seconds
        by_target[target(output)] += seconds
    print(f"{len(all_steps)} steps, {sum(s for _, s in all_steps):.0f} s in all")
    for name, seconds in by_kind.most_common():
        print(f"  {name:12} {seconds:7.1f} s")
    print("by part of the tree:")
    for (where, what), seconds in sorted(by_part.items()):
        print(f"  {where:10} {what:12} {seconds:7.1f} s")
    print(f"the {count} longest targets:")
    for name, seconds in by_target.most_common(count):
        print(f"  {name:40} {seconds:7.1f} s")
    print(f"the {count} longest steps:")
    for output, seconds in sorted(all_steps, key=lambda step: -step[1])[:count]:
        print(f"  {seconds:7.1f} s  {output}")


if __name__ == "__main__":
    main()
