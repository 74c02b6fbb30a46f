#!/usr/bin/python3
"""Compares tarnwick-cli's damaged-file report with one worked out by other programs:

    damage-compare.py IMAGE MAP REPORT [START]
    damage-compare.py --check-media OUTPUT REPORT

IMAGE is an ISO 9660 image whose block 0 is block START of the disc (default 0), MAP
its rescue map, REPORT the JSON document `check --report` or `extract --report` wrote
for it. Each file's extents come from xorriso (`-find / -exec report_lba`), the blocks
not read well from ddrescuelog (every status but `+`); from them each file's damaged
byte ranges follow: each bad 2048-byte block of an extent, at the extent's place in the
file, cut at the file's size, adjoining ranges joined. Every file xorriso lists with
data must be in the report with that status (`damaged` or `ok`) and those ranges, and
the report must call no other file damaged. Prints each difference and the count of
files that agree; exits 1 when there is a difference, 0 when none.

With --check-media, OUTPUT is what `xorriso -indev DRIVE -check_media
report=blocks_files --` printed for the drive the report was made from: the files it
calls damaged must be those the report calls damaged (or unreadable), each from the
same first damaged byte to the same end of its last damaged block (xorriso gives a
file's damage as one span).
"""
import json
import re
import subprocess
import sys

BLOCK = 2048
DAMAGED = re.compile(r"^File damaged :\s*(\d+)\s*,\s*(\d+)\s*,\s*\d+\s*,\s*'(.*)'$")
EXTENT = re.compile(r"^File data lba:\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*'(.*)'$")


def extents(image):
    """Each file's size and extents (first block, blocks) in the order of the file."""
    run = subprocess.run(["xorriso", "-indev", image, "-find", "/", "-exec", "report_lba", "--"],
                         capture_output=True, text=True, check=True)
    files = {}
    for line in run.stdout.splitlines():
        m = EXTENT.match(line)
        if m:
            index, lba, blocks, size, path = m.groups()
            size_, parts = files.setdefault(path, [0, []])
            files[path][0] = max(size_, int(size))
            parts.append((int(index), int(lba), int(blocks)))
    return {path: (size, [p[1:] for p in sorted(parts)]) for path, (size, parts) in files.items()}


def not_read_well(mapfile):
    run = subprocess.run(["ddrescuelog", "-b", str(BLOCK), "-l?*/-", mapfile],
                         capture_output=True, text=True, check=True)
    return {int(b) for b in run.stdout.split()}


def damage(size, parts, bad, start):
    ranges = []
    offset = 0
    for lba, blocks in parts:
        for i in range(blocks):
            first = offset + i * BLOCK
            if first >= size:
                break
            if lba + i - start in bad:
                last = min(first + BLOCK, size) - 1
                if ranges and ranges[-1][1] + 1 == first:
                    ranges[-1][1] = last
                else:
                    ranges.append([first, last])
        offset += blocks * BLOCK
    return ranges


def check_media(output, report):
    """Compares xorriso's damaged files with the report's; returns the difference count."""
    found = {}
    with open(output, encoding="utf-8") as f:
        for line in f:
            m = DAMAGED.match(line.rstrip("\n"))
            if m:
                found[m.group(3)] = (int(m.group(1)), int(m.group(1)) + int(m.group(2)))
    with open(report, encoding="utf-8") as f:
        ours = {e["path"]: (e["bad"][0][0], e["bad"][-1][1] + 1) for e in json.load(f)["files"] if e["bad"]}
    for path in sorted(set(found) | set(ours)):
        if found.get(path) != ours.get(path):
            print(f"{path}: xorriso finds bytes {found.get(path)} damaged, the report {ours.get(path)}")
    differences = sum(found.get(p) != ours.get(p) for p in set(found) | set(ours))
    print(f"{len(found)} damaged files in xorriso's check, {differences} differ")
    return 1 if differences or not found else 0


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--check-media":
        return check_media(sys.argv[2], sys.argv[3])
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    image, mapfile, report = sys.argv[1:4]
    start = int(sys.argv[4]) if len(sys.argv) == 5 else 0
    bad = not_read_well(mapfile)
    with open(report, encoding="utf-8") as f:
        reported = {entry["path"]: entry for entry in json.load(f)["files"]}
    differences = agree = 0
    files = extents(image)
    for path, (size, parts) in sorted(files.items()):
        expected = damage(size, parts, bad, start)
        status = "damaged" if expected else "ok"
        got = reported.get(path)
        if got is None:
            print(f"{path}: not in the report (expected {status} {expected})")
        elif got["status"] != status or got["bad"] != expected or got["size"] != size:
            print(f"{path}: reported {got['status']} {got['bad']} of {got['size']} bytes, "
                  f"expected {status} {expected} of {size}")
        else:
            agree += 1
            continue
        differences += 1
    for path, entry in sorted(reported.items()):
        if path not in files and entry["status"] != "ok":
            print(f"{path}: reported {entry['status']} {entry['bad']}, but xorriso lists no data for it")
            differences += 1
    print(f"{agree} files agree, {differences} differ ({len(bad)} blocks not read well)")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
