#!/usr/bin/python3
"""Relocates packets of a sparable UDF partition as a drive's defect management would
after write errors: each chosen packet is copied to a spare packet that the sparing
table offers, the table maps the packet there (every copy of the table, sorted, its
sequence number raised, its tag's CRC and checksum recomputed), and what stays at the
original place is made different (every byte inverted), so that a reader ignoring the
table reads wrong bytes and broken descriptors.

    udf-spare.py IMAGE [--every N] [--packets P,...]

IMAGE is a flat image (block n at byte n * 2048) with a sparable partition, as
`mkudffs --media-type=cdrw` or `dvdrw` writes it. Without --packets every N-th packet
(default 2: the first, third, ...) of those holding anything but zeros is relocated.
Prints one line a relocated packet: partition block, original sector, spare sector.
"""
import argparse
import importlib.util
import os
import struct
import sys

B = 2048

# The descriptor tag's CRC as the test writer computes it.
_spec = importlib.util.spec_from_file_location("make_udf_disc", os.path.join(os.path.dirname(__file__), "make-udf-disc.py"))
writer = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(writer)


def retag(desc):
    """Recomputes the CRC over the length the tag names, then the checksum."""
    crc_len = struct.unpack_from("<H", desc, 10)[0]
    struct.pack_into("<H", desc, 8, writer.crc_itu(bytes(desc[16:16 + crc_len])))
    desc[4] = (sum(desc[0:4]) + sum(desc[5:16])) & 0xFF


def volume(img):
    """The sparable map and its partition: (packet, table locations, table size, start, length)."""
    main = struct.unpack_from("<II", img, 256 * B + 16)
    lvd = pd = None
    for lba in range(main[1], main[1] + main[0] // B):
        ident = struct.unpack_from("<H", img, lba * B)[0]
        if ident == 6:
            lvd = img[lba * B:(lba + 1) * B]
        elif ident == 5:
            pd = img[lba * B:(lba + 1) * B]
    if lvd is None or pd is None:
        sys.exit("udf-spare.py: no logical volume or partition descriptor in the main sequence")
    start, length = struct.unpack_from("<II", pd, 188)
    table_len, count = struct.unpack_from("<II", lvd, 264)
    at = 440
    while at < 440 + table_len:
        kind, size = lvd[at], lvd[at + 1]
        if kind == 2 and lvd[at + 5:at + 28].rstrip(b"\0") == b"*UDF Sparable Partition":
            packet, tables, _, table_size = struct.unpack_from("<HBBI", lvd, at + 40)
            locations = struct.unpack_from("<4I", lvd, at + 48)[:tables]
            return packet, locations, table_size, start, length
        at += max(size, 1)
    sys.exit("udf-spare.py: the logical volume has no sparable partition map")


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("image")
    p.add_argument("--every", type=int, default=2)
    p.add_argument("--packets", help="partition blocks of the packets to relocate, comma-separated")
    args = p.parse_args()
    with open(args.image, "rb") as f:
        img = bytearray(f.read())
    packet, locations, table_size, start, length = volume(img)
    table = bytearray(img[locations[0] * B:locations[0] * B + max(table_size, B)])
    entries = struct.unpack_from("<H", table, 48)[0]
    mapping = [list(struct.unpack_from("<II", table, 56 + 8 * i)) for i in range(entries)]

    if args.packets:
        chosen = [int(x) for x in args.packets.split(",")]
    else:
        used = [b for b in range(0, length - packet + 1, packet)
                if any(img[(start + b) * B:(start + b + packet) * B])]
        chosen = used[::args.every]
    for block in chosen:
        free = [m for m in mapping if m[0] >= 0xFFFFFFF0]
        if not free:
            sys.exit("udf-spare.py: the sparing table has no spare packet left")
        entry = free[0]
        entry[0] = block
        original, spare = (start + block) * B, entry[1] * B
        img[spare:spare + packet * B] = img[original:original + packet * B]
        img[original:original + packet * B] = bytes(b ^ 0xFF for b in img[original:original + packet * B])
        print(f"packet at block {block}: sector {start + block} -> spare sector {entry[1]}")

    mapping.sort(key=lambda m: m[0])
    for i, (orig, mapped) in enumerate(mapping):
        struct.pack_into("<II", table, 56 + 8 * i, orig, mapped)
    struct.pack_into("<I", table, 52, struct.unpack_from("<I", table, 52)[0] + 1)
    for lba in locations:
        copy = bytearray(table)
        struct.pack_into("<I", copy, 12, lba)
        retag(copy)
        img[lba * B:lba * B + len(copy)] = copy
    with open(args.image, "wb") as f:
        f.write(img)


if __name__ == "__main__":
    main()
