#!/usr/bin/python3
"""Writes a UDF disc with a Virtual Allocation Table the way a packet writer appends
to a CD-R or DVD-R: every transaction records new file entries, directories and data
after what is already on the disc and then a new VAT in its last block, which points
to the VAT before it; every session starts with its own volume recognition sequence,
volume descriptors and anchor, all naming the one physical partition that starts in
the first session. Rewritten entries keep their virtual address (the VAT maps it to
the new block), so an older VAT still shows the disc as it was.

    make-udf-disc.py [options] OUTDIR

writes into OUTDIR:
  disc.img          the flat image (block n at byte n * 2048, gaps between sessions zero)
  disc.txt          a disc description: one track per session, as a drive reports them
  generations.txt   one line per VAT: generation session session-start vat-block
  gN.txt            what generation N holds (listing format of tools/udf-listing.sh)
  gN-deleted.txt    the entries generation N marks deleted (their entries kept intact)

The recipe is built in (--recipe windows, the default) or read from a JSON file: a
list of sessions, each a list of transactions {"time": unix, "tz": minutes, "ops":
[...]}, each op ["dir", path] | ["file", path, text-or-{"size": n, "seed": s},
{"extents": n, "embedded": true, "unrecorded": blocks,
"indirect": true}] | ["link", path, target] |
["delete", path] | ["alias", path, existing-path]. A file op on an existing path
replaces that file's contents. Damage for hostile recipes, as file options: "bad_crc",
"bad_sum" (its entry's tag), "ae_loop" (allocation extents in a loop), "fid_iu": n
(its identifier claims n bytes of implementation use that are not there).
--hostile KIND writes one small damaged disc instead (see HOSTILE).
"""
import argparse
import hashlib
import json
import os
import struct
import sys
import time

B = 2048
PART_START = 257          # the physical partition starts after the first anchor
NONE = 0xFFFFFFFF
CHARSPEC = b"\0" + b"OSTA Compressed Unicode".ljust(63, b"\0")

# ------------------------------------------------------------------ encodings

def crc_itu(data):
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021 if crc & 0x8000 else crc << 1) & 0xFFFF
    return crc


class Enc:
    def __init__(self, rev):
        self.rev = rev
        self.tagver = 2 if rev < 0x200 else 3

    def tag(self, ident, body, loc, crc_len=None, bad_crc=False, bad_sum=False):
        d = bytearray(16) + body
        n = len(d) - 16 if crc_len is None else crc_len
        crc = crc_itu(bytes(d[16:16 + n])) ^ (0x5555 if bad_crc else 0)
        struct.pack_into("<HHBBHHHI", d, 0, ident, self.tagver, 0, 0, 1, crc, n, loc)
        d[4] = (sum(d[0:4]) + sum(d[5:16]) + (1 if bad_sum else 0)) & 0xFF
        return bytes(d)

    def regid(self, ident, suffix=b""):
        return b"\0" + ident.encode().ljust(23, b"\0") + suffix.ljust(8, b"\0")

    def udf_suffix(self):
        return struct.pack("<H", self.rev)


def cs0(text):
    if all(ord(c) < 256 for c in text):
        return b"\x08" + text.encode("latin-1")
    return b"\x10" + text.encode("utf-16-be")


def dstring(text, size):
    raw = cs0(text)[:size - 1] if text else b""
    return raw.ljust(size - 1, b"\0") + bytes([len(raw)])


def timestamp(unix, tz):
    t = time.gmtime(unix + tz * 60)
    return struct.pack("<HHBBBBBBBB", (1 << 12) | (tz & 0xFFF), t.tm_year, t.tm_mon, t.tm_mday,
                       t.tm_hour, t.tm_min, t.tm_sec, 0, 0, 0)


def long_ad(length, block, part, uid=0):
    return struct.pack("<IIH", length, block, part) + struct.pack("<HI", 0, uid)


def short_ad(length, block):
    return struct.pack("<II", length, block)


# ------------------------------------------------------------------ the model

class Node:
    def __init__(self, kind, name, parent):
        self.kind, self.name, self.parent = kind, name, parent
        self.fids = []           # directories: [name, node, deleted]
        self.data = b""
        self.target = ""
        self.opts = {}
        self.vblock = None
        self.uid = 0
        self.mtime = (0, 0)

    def live(self, name):
        for fid in self.fids:
            if fid[0] == name and not fid[2]:
                return fid[1]
        return None


def content(data):
    if isinstance(data, str):
        return data.encode()
    seed, size = data.get("seed", 1), data["size"]
    out = bytearray()
    x = seed
    while len(out) < size:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out += struct.pack("<I", x)
    return bytes(out[:size])


# ------------------------------------------------------------------ the writer

class Disc:
    def __init__(self, args):
        self.enc = Enc(args.rev)
        self.args = args
        self.blocks = {}          # physical block -> 2048 bytes
        self.pos = 0              # next physical block to write
        self.vat = [NONE]         # virtual block -> logical block of the physical partition;
                                  # virtual block 0 holds the file set descriptor
        self.root = Node("dir", "", None)
        self.root.parent = self.root
        self.next_uid = 16
        self.prev_vat = NONE
        self.sessions = []        # [start, end (last block)]
        self.generations = []     # (session, start, vat block, listing, deleted)
        self.capacity = 359849 if args.medium == "cdr" else 2295104
        self.hostile = {args.hostile} if args.hostile else set()
        # UDF 2.50: a metadata partition instead of the VAT. Virtual addresses become
        # blocks of the metadata partition, whose file (and its mirror, a copy of every
        # block) is written when the session closes, its entries in the partition's
        # first two blocks.
        self.metadata = args.rev >= 0x250

    def put(self, block, data):
        assert len(data) <= B
        self.blocks[block] = bytes(data).ljust(B, b"\0")

    def logical(self, phys):
        return phys - PART_START

    def write(self, data):
        """Records data at the write position; returns its first physical block."""
        first = self.pos
        for i in range(0, max(len(data), 1), B):
            self.put(self.pos, data[i:i + B])
            self.pos += 1
        return first

    def map(self, node):
        if node.vblock is None:
            node.vblock = len(self.vat)
            self.vat.append(NONE)
            node.uid = 0 if node is self.root else self.next_uid
            self.next_uid += 1
            if node.opts.get("indirect"):   # the indirect entry after it, and the newer entry
                self.vat += [NONE, NONE]
        return node.vblock

    # -------------------------------------------------------------- sessions
    def open_session(self):
        if not self.sessions:
            start = 0
        elif self.args.medium == "cdr":
            start = self.pos + (11400 if len(self.sessions) == 1 else 6900)
        else:
            start = (self.pos + 15) // 16 * 16
        self.sessions.append([start, None])
        self.volume_structures(start)
        self.pos = start + PART_START + (2 if self.metadata else 0)

    def close_session(self):
        if self.metadata:
            self.write_metadata_files()
        self.sessions[-1][1] = self.pos - 1

    def write_metadata_files(self):
        """The metadata file maps metadata block i to the logical block the VAT-like
        table holds for it; the mirror maps it to a copy written here."""
        e, breaks = self.enc, set(self.args.break_metadata or ())
        self.write_lvid(self.sessions[-1][0], *self.count())   # no VAT holds the counts
        mirror = self.logical(self.pos)
        for i, lb in enumerate(self.vat):
            block = self.blocks[PART_START + lb]
            self.write(block)
            if "main-data" in breaks and i in (0, self.root.vblock):
                # The main copy of the file set and the root's entry becomes unreadable.
                self.blocks[PART_START + lb] = bytes(x ^ 0xFF for x in block)
        runs = []
        for lb in self.vat:
            if runs and runs[-1][0] + runs[-1][1] == lb:
                runs[-1][1] += 1
            else:
                runs.append([lb, 1])
        size = len(self.vat) * B
        for where, kind, ads in ((0, 250, b"".join(short_ad(n * B, lb) for lb, n in runs)),
                                 (1, 251, short_ad(size, mirror))):
            node = Node("file", "", None)
            node.vblock = where
            node.opts = {"bad_crc": ("main" if kind == 250 else "mirror") in breaks or "both" in breaks}
            assert len(ads) <= B - 216, "the metadata file needs more descriptors than its entry holds"
            self.put(PART_START + where, self.entry(node, kind, ads, 0, size, size, timestamp(self.args.time, 0)))

    def volume_structures(self, s):
        e = self.enc
        nsr = "NSR02" if e.rev < 0x200 else "NSR03"
        for i, ident in enumerate(["BEA01", nsr, "TEA01"]):
            self.put(s + 16 + i, b"\0" + ident.encode() + b"\x01")
        when = timestamp(self.args.time, 0)
        impl = e.regid("*tarnwick test writer")
        vds = []
        vds.append(lambda loc, n: e.tag(1, struct.pack("<II", n, 0) + dstring("UDFTEST", 32)
                                        + struct.pack("<HHHHII", 1, 1, 2, 3, 1, 1) + dstring("0123456789abcdefUDFTEST", 128)
                                        + CHARSPEC + CHARSPEC + bytes(16) + e.regid("*tarnwick")
                                        + when + impl + bytes(64) + struct.pack("<IH", 0, 1) + bytes(22), loc))
        lvinfo = CHARSPEC + dstring("UDFTEST", 128) + bytes(108) + impl + bytes(128)
        vds.append(lambda loc, n: e.tag(4, struct.pack("<I", n) + e.regid("*UDF LV Info", e.udf_suffix()) + lvinfo, loc))
        length = self.capacity - PART_START
        if "partition-beyond" in self.hostile:
            length = 0x7FFFFFF0
        self.part_length = length
        vds.append(lambda loc, n: e.tag(5, struct.pack("<IHH", n, 1, 0) + e.regid("+" + nsr) + bytes(128)
                                        + struct.pack("<III", 2, PART_START, length) + impl + bytes(284), loc))
        maps = struct.pack("<BBHH", 1, 6, 1, 0) + struct.pack("<BBH", 2, 64, 0)
        if self.metadata:   # file, mirror, no bitmap; allocation unit 32, alignment 1, duplicated
            maps += e.regid("*UDF Metadata Partition", e.udf_suffix()) + struct.pack("<HH", 1, 0) \
                + struct.pack("<IIIIHB", 0, 1, NONE, 32, 1, 1) + bytes(5)
        else:
            maps += e.regid("*UDF Virtual Partition", e.udf_suffix()) + struct.pack("<HH", 1, 0) + bytes(24)
        fsd = long_ad(B, 0, 1)
        domain = e.regid("*OSTA UDF Compliant", e.udf_suffix() + b"\0")
        vds.append(lambda loc, n: e.tag(6, struct.pack("<I", n) + CHARSPEC + dstring("UDFTEST", 128)
                                        + struct.pack("<I", B) + domain + fsd + struct.pack("<II", len(maps), 2)
                                        + impl + bytes(128) + struct.pack("<II", 2 * B, s + 64) + maps, loc))
        vds.append(lambda loc, n: e.tag(7, struct.pack("<II", n, 0), loc))
        vds.append(lambda loc, n: e.tag(8, bytes(496), loc))
        seq = len(self.sessions)
        for base in (s + 32, s + 48):
            for i, make in enumerate(vds):
                self.put(base + i, make(base + i, seq * 8 + i))
        self.write_lvid(s, 0, 0)
        self.put(s + 65, e.tag(8, bytes(496), s + 65))
        self.put(s + 256, e.tag(2, struct.pack("<IIII", 6 * B, s + 32, 6 * B, s + 48) + bytes(480), s + 256))

    def write_lvid(self, s, files, dirs):
        e = self.enc
        lvid_iu = e.regid("*tarnwick test writer") + struct.pack("<IIHHH", files, dirs, e.rev, e.rev, e.rev)
        self.put(s + 64, e.tag(9, timestamp(self.args.time, 0) + struct.pack("<I", 1) + bytes(8) + bytes(32)
                               + struct.pack("<II", 2, len(lvid_iu))
                               + struct.pack("<IIII", 0, NONE, 0, self.part_length) + lvid_iu, s + 64))

    # -------------------------------------------------------------- entries
    def icb_tag(self, file_type, ad_kind, strategy=4):
        return struct.pack("<IHHHBB", 0, strategy, 1 if strategy == 4096 else 0, 2 if strategy == 4096 else 1, 0,
                           file_type) + struct.pack("<IH", 0, 0) + struct.pack("<H", ad_kind)

    def entry(self, node, file_type, ads, ad_kind, size, recorded, stamp, strategy=4):
        """A file entry (extended with --efe) for the virtual address of node."""
        e, vb = self.enc, node.vblock
        icb = self.icb_tag(file_type, ad_kind, strategy)
        r, w, x = 4, 2, 1
        if node.kind == "dir":
            perms = sum(((r | x) << sh) for sh in (0, 5, 10)) | (w << 10)
        elif node.kind == "link":
            perms = sum(((r | w | x) << sh) for sh in (0, 5, 10))
        else:
            perms = sum((r << sh) for sh in (0, 5, 10)) | (w << 10)
        links = 1 + sum(1 for f in node.fids if f[1].kind == "dir" and not f[2]) if node.kind == "dir" else 1
        head = icb + struct.pack("<IIIHBBIQ", 1000, 1000, perms, links, 0, 0, 0, size)
        blocks = (recorded + B - 1) // B
        impl = e.regid("*tarnwick test writer")
        if self.args.efe:
            body = head + struct.pack("<QQ", size, blocks) + stamp * 4 + struct.pack("<II", 0, 0) \
                + bytes(32) + impl + struct.pack("<QII", node.uid, 0, len(ads)) + ads
            return e.tag(266, body, vb, **self.damage(node))
        body = head + struct.pack("<Q", blocks) + stamp * 3 + struct.pack("<I", 1) + bytes(16) + impl \
            + struct.pack("<QII", node.uid, 0, len(ads)) + ads
        return e.tag(261, body, vb, **self.damage(node))

    def damage(self, node):
        return {"bad_crc": bool(node.opts.get("bad_crc")), "bad_sum": bool(node.opts.get("bad_sum"))}

    def fid(self, name, node, chars, where):
        ident = cs0(name) if name else b""
        iu = node.opts.get("fid_iu", 0)   # a length of implementation use that is not there
        body = struct.pack("<HBB", 1, chars, len(ident)) + long_ad(B, node.vblock, 1, node.uid) + struct.pack("<H", iu) + ident
        body += bytes((-(16 + len(body))) % 4)
        return self.enc.tag(257, body, where)

    def write_dir(self, node):
        # Identifiers never cross a block here, so each block's tag location is known.
        recs, block = [], 0
        entries = [("", node.parent, 8 | 2)] + [(n, c, (2 if c.kind == "dir" else 0) | (4 if d else 0))
                                                 for n, c, d in node.fids]
        size = 0
        for name, child, chars in entries:
            rec = self.fid(name, child, chars, 0)
            if size // B != (size + len(rec) - 1) // B:
                size = (size // B + 1) * B
            recs.append((size, name, child, chars))
            size += len(rec)
        embedded = size <= B - 216 and not self.args.dir_blocks
        first = None if embedded else self.pos
        data = bytearray(size)
        for offset, name, child, chars in recs:
            where = node.vblock if embedded else self.logical(first + offset // B)
            rec = self.fid(name, child, chars, where)
            data[offset:offset + len(rec)] = rec
        if embedded:
            return self.write_entry(node, 4, bytes(data), 3, size, 0)
        self.write(bytes(data))
        return self.write_entry(node, 4, long_ad(size, self.logical(first), 0), 1, size, size)

    def write_entry(self, node, file_type, ads, ad_kind, size, recorded):
        stamp = timestamp(*node.mtime)
        if node.opts.get("indirect"):
            # Strategy 4096: the identifier names an entry holding stale contents, and
            # the indirect entry in the virtual block after it names the file's entry.
            vb, stale = node.vblock, self.write(b"stale contents of an older entry\n")
            node.vblock = vb + 2
            self.vat[vb + 2] = self.logical(self.write(self.entry(node, file_type, ads, ad_kind, size, recorded,
                                                                   stamp, 4096)))
            node.vblock = vb
            self.vat[vb] = self.logical(self.write(self.entry(node, file_type, long_ad(33, self.logical(stale), 0),
                                                              1, 33, 33, stamp, 4096)))
            indirect = self.enc.tag(259, self.icb_tag(3, 0, 4096) + long_ad(B, vb + 2, 1), vb + 1)
            self.vat[vb + 1] = self.logical(self.write(indirect))
            return
        phys = self.write(self.entry(node, file_type, ads, ad_kind, size, recorded, stamp))
        self.vat[node.vblock] = self.logical(phys)
        return phys

    def write_file(self, node):
        data, opts = node.data, node.opts
        if opts.get("embedded"):
            return self.write_entry(node, 5, data, 3, len(data), 0)
        parts = max(1, opts.get("extents", 1))
        step = ((len(data) + parts - 1) // parts + B - 1) // B * B or B
        pieces = [data[i:i + step] for i in range(0, len(data), step)] or []
        placed = {}
        for i in reversed(range(len(pieces))):   # the later pieces first: extents out of order
            placed[i] = self.write(pieces[i])
            if i:
                self.write(b"gap")
        ads = b"".join(long_ad(len(pieces[i]), self.logical(placed[i]), 0) for i in range(len(pieces)))
        if opts.get("ae_loop"):
            # The entry's descriptors continue in a block whose only descriptor continues
            # in that same block: the rest of the file is never reached.
            where = self.logical(self.pos)
            more = long_ad((3 << 30) | B, where, 0)
            self.write(self.enc.tag(258, struct.pack("<II", 0, 16) + more, where))
            ads = ads[:16] + more
        if opts.get("unrecorded"):
            # Allocated, not recorded: the blocks hold bytes a reader must not hand on.
            where = self.write(b"NOT RECORDED " * (opts["unrecorded"] * B // 13))
            ads += long_ad((1 << 30) | opts["unrecorded"] * B, self.logical(where), 0)
        size = len(data) + opts.get("unrecorded", 0) * B
        return self.write_entry(node, 5, ads, 1, size, len(data))

    def write_link(self, node):
        comps = b""
        target = node.target
        if target.startswith("/"):
            comps += struct.pack("<BBH", 2, 0, 0)
        for part in [p for p in target.split("/") if p]:
            if part == "..":
                comps += struct.pack("<BBH", 3, 0, 0)
            elif part == ".":
                comps += struct.pack("<BBH", 4, 0, 0)
            else:
                ident = cs0(part)
                comps += struct.pack("<BBH", 5, len(ident), 0) + ident
        node.data = comps
        return self.write_entry(node, 12, comps, 3, len(comps), 0)

    # -------------------------------------------------------------- transactions
    def lookup(self, path):
        node = self.root
        parts = [p for p in path.split("/") if p]
        if not parts:
            return self.root, ""
        for part in parts[:-1]:
            child = node.live(part)
            if child is None:
                raise SystemExit(f"no directory {part} on the way to {path}")
            node = child
        return node, parts[-1]

    def transaction(self, txn):
        stamp = (txn["time"], txn.get("tz", 0))
        dirty = []

        def touch(n):
            n.mtime = stamp
            if n not in dirty:
                dirty.append(n)

        if self.root.vblock is None:
            self.map(self.root)
            self.root.mtime = stamp
            dirty.append(self.root)
        for op in txn["ops"]:
            parent, name = self.lookup(op[1])
            old = parent.live(name)
            if op[0] == "alias":    # one more name for an existing entry: a loop when an ancestor
                target_parent, target_name = self.lookup(op[2])
                parent.fids.append([name, target_parent.live(target_name) if target_name else self.root, False])
                touch(parent)
                continue
            if op[0] == "delete":
                for fid in parent.fids:
                    if fid[1] is old and not fid[2]:
                        fid[2] = True
                touch(parent)
                continue
            if op[0] == "file" and old is not None and old.kind == "file":
                node = old          # replaced: the same virtual address, new contents
            else:
                node = Node(op[0], name, parent)
                node.opts = op[3] if op[0] == "file" and len(op) > 3 else {}
                self.map(node)
                parent.fids.append([name, node, False])
                touch(parent)
            if op[0] == "file":
                node.data = content(op[2])
                node.opts = op[3] if len(op) > 3 else {}
            elif op[0] == "link":
                node.target = op[2]
            touch(node)
        # Children before their directories, files before the directory entries.
        for node in dirty:
            if node.kind == "file":
                self.write_file(node)
            elif node.kind == "link":
                self.write_link(node)
        for node in sorted((n for n in dirty if n.kind == "dir"), key=self.depth, reverse=True):
            self.write_dir(node)
        if not self.generations or (self.metadata and self.vat[0] == NONE):
            self.write_fsd(stamp)
        if self.metadata:
            listing, deleted = self.listing()
            self.generations = [(1, 0, PART_START, listing, deleted)]
        else:
            self.write_vat(stamp)

    def depth(self, node):
        d = 0
        while node is not self.root:
            node, d = node.parent, d + 1
        return d

    def write_fsd(self, stamp):
        e = self.enc
        root = long_ad(B, self.root.vblock, 1)
        body = timestamp(*stamp) + struct.pack("<HHIIII", 3, 3, 1, 1, 0, 0) + CHARSPEC + dstring("UDFTEST", 128) \
            + CHARSPEC + dstring("UDFTEST", 32) + bytes(64) + root \
            + e.regid("*OSTA UDF Compliant", e.udf_suffix() + b"\0") + bytes(16) + bytes(16) + bytes(32)
        phys = self.write(e.tag(256, body, 0))
        self.vat[0] = self.logical(phys)

    def write_vat(self, stamp):
        e = self.enc
        files, dirs = self.count()
        entries = b"".join(struct.pack("<I", v) for v in self.vat)
        if e.rev < 0x200:
            table = entries + e.regid("*UDF Virtual Alloc Tbl", e.udf_suffix()) + struct.pack("<I", self.prev_vat)
        else:
            head = struct.pack("<HH", 152, 0) + dstring("UDFTEST", 128) + struct.pack(
                "<IIIHHHH", self.prev_vat, NONE if "vat-huge" in self.hostile else files, dirs,
                e.rev, e.rev, e.rev, 0)
            table = head + entries
        vat = Node("file", "", None)
        size = 1 << 40 if "vat-huge" in self.hostile else len(table)
        kind = 0 if e.rev < 0x200 else 248
        if self.args.vat_embedded and len(table) <= B - 216:
            vat.vblock = self.logical(self.pos)
            fe = self.entry(vat, kind, table, 3, size, 0, timestamp(*stamp))
        else:
            first = self.write(table)
            vat.vblock = self.logical(self.pos)
            fe = self.entry(vat, kind, short_ad(len(table), self.logical(first)), 0, size, len(table),
                            timestamp(*stamp))
        phys = self.write(fe)
        self.prev_vat = self.logical(phys)
        listing, deleted = ([], []) if self.hostile else self.listing()
        self.generations.append((len(self.sessions), self.sessions[-1][0], phys, listing, deleted))

    def count(self):
        files = dirs = 0
        stack, seen = [self.root], {id(self.root)}
        while stack:
            node = stack.pop()
            for _, child, gone in node.fids:
                if gone or id(child) in seen:   # a second name of a directory (a loop)
                    continue
                seen.add(id(child))
                if child.kind == "dir":
                    dirs += 1
                    stack.append(child)
                else:
                    files += 1
        return files, dirs + 1

    # -------------------------------------------------------------- listings
    def listing(self):
        """The entries of the newest generation as tools/udf-listing.sh prints them."""
        live, gone = [], []

        def walk(node, path):
            for name, child, deleted in node.fids:
                p = path + "/" + name
                (gone if deleted else live).append(describe(child, p))
                if child.kind == "dir" and not deleted:
                    walk(child, p)

        def describe(n, p):
            mtime = n.mtime[0]
            if n.kind == "dir":
                return f"d\t-\t{mtime}\t-\t{p}"
            if n.kind == "link":
                return f"l\t-\t{mtime}\t{n.target}\t{p}"
            size = len(n.data) + n.opts.get("unrecorded", 0) * B
            md5 = hashlib.md5(n.data + bytes(n.opts.get("unrecorded", 0) * B)).hexdigest()
            return f"f\t{size}\t{mtime}\t{md5}\t{p}"

        walk(self.root, "")
        return sorted(live, key=lambda l: l.split("\t")[-1]), sorted(gone, key=lambda l: l.split("\t")[-1])

    # -------------------------------------------------------------- output
    def save(self, out):
        os.makedirs(out, exist_ok=True)
        end = max(self.blocks) + 1
        if self.metadata:   # readers refuse a volume of a few hundred blocks as too small
            end = max(end, 1024)
        with open(os.path.join(out, "disc.img"), "wb") as f:
            f.truncate(end * B)
            for block in sorted(self.blocks):
                f.seek(block * B)
                f.write(self.blocks[block])
        profile = "CD-R" if self.args.medium == "cdr" else "DVD-R"
        lines = [f"# {len(self.sessions)} sessions, {len(self.generations)} VAT generations",
                 f"medium  profile={profile}",
                 f"disc    status={'complete' if self.args.closed else 'incomplete'} capacity={self.capacity}",
                 "image   file=disc.img"]
        for n, (start, last) in enumerate(self.sessions, 1):
            lines += [f"session number={n}", f"track   number={n} type=data start={start} length={last - start + 1}"]
        with open(os.path.join(out, "disc.txt"), "w") as f:
            f.write("\n".join(lines) + "\n")
        with open(os.path.join(out, "generations.txt"), "w") as f:
            for g, (session, start, vat, live, gone) in enumerate(self.generations, 1):
                f.write(f"{g} {session} {start} {vat}\n")
                for name, rows in ((f"g{g}.txt", live), (f"g{g}-deleted.txt", gone)):
                    with open(os.path.join(out, name), "w") as lst:
                        lst.write("".join(r + "\n" for r in rows))


# ------------------------------------------------------------------ recipes

T0 = 1709283600  # 2024-03-01 09:00:00 UTC

WINDOWS = [
    [  # session 1: one transaction
        {"time": T0, "tz": 60, "ops": [
            ["dir", "/docs"],
            ["file", "/readme.txt", "first session readme\n"],
            ["file", "/docs/report.txt", {"size": 5000, "seed": 2}],
            ["file", "/docs/tiny.txt", "embedded in its entry\n", {"embedded": True}],
            ["file", "/big.bin", {"size": 300000, "seed": 3}, {"extents": 3}],
            ["file", "/Ünïcödé café.txt", "latin-1 name\n"],
            ["dir", "/日本語"],
            ["file", "/日本語/ファイル.txt", "sixteen-bit name\n"],
            ["file", "/emoji 😀.txt", "surrogate pair\n"],
            ["link", "/link", "docs/report.txt"],
            ["link", "/abs", "/docs/../readme.txt"],
        ]},
    ],
    [  # session 2: two transactions
        {"time": T0 + 86400, "tz": -300, "ops": [
            ["file", "/session2.txt", "added in session two\n"],
            ["delete", "/readme.txt"],
            ["file", "/docs/report.txt", {"size": 7000, "seed": 5}],
        ]},
        {"time": T0 + 90000, "tz": -300, "ops": [
            ["dir", "/docs/sub"],
            ["file", "/docs/sub/deep.txt", "deeper\n"],
            ["delete", "/emoji 😀.txt"],
        ]},
    ],
    [  # session 3: a file of the same name as a deleted one, a replaced big file
        {"time": T0 + 2 * 86400, "tz": 0, "ops": [
            ["file", "/readme.txt", "readme again, third session\n"],
            ["file", "/big.bin", {"size": 10000, "seed": 7}],
            ["file", "/sparse.bin", "head", {"unrecorded": 3}],
        ]},
    ],
]

# Small damaged discs, one trouble each (the fuzzer's seeds): recipe, and trouble
# that lies outside the recipe (in the volume descriptors or the VAT).
def hostile_recipe(kind):
    ops = [["file", "/a.txt", "a\n"], ["dir", "/d"], ["file", "/d/b.txt", "b\n"]]
    extra = {
        "icb-loop": [["alias", "/d/up", "/"], ["alias", "/d/self", "/d"]],
        "ae-loop": [["file", "/looped.bin", {"size": 5000, "seed": 9}, {"extents": 2, "ae_loop": True}]],
        "deep": [["dir", "/d" + "/d" * i] for i in range(1, 150)] + [["file", "/d" * 150 + "/end.txt", "end\n"]],
        "long-names": [["file", "/" + "x" * 254, "254 latin-1 characters\n"],
                       ["file", "/" + "\u0436" * 127, "127 sixteen-bit characters\n"],
                       ["file", "/iu-lies.txt", "its identifier claims more\n", {"fid_iu": 60000}]],
        "bad-tags": [["file", "/bad-crc.txt", "crc\n", {"bad_crc": True}],
                     ["file", "/bad-checksum.txt", "sum\n", {"bad_sum": True}]],
    }.get(kind, [])
    return [[{"time": T0, "tz": 0, "ops": ops + extra}]]


HOSTILE = ["icb-loop", "ae-loop", "vat-huge", "partition-beyond", "deep", "long-names", "bad-tags"]

SINGLE = [[{"time": T0, "tz": 0, "ops": [["file", "/a.txt", "a\n"], ["dir", "/d"], ["file", "/d/b.txt", "b\n"]]}]]

# A file recorded with ICB strategy 4096 whose entry was replaced: the identifier
# names the first entry, and the indirect entry after it the one that holds the file.
INDIRECT = [[{"time": T0, "tz": 0, "ops": SINGLE[0][0]["ops"] + [
    ["file", "/d/changed.txt", "read through the indirect entry\n", {"indirect": True}]]}]]


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("out")
    p.add_argument("--recipe", default="windows", help="windows, single, indirect or a JSON file")
    p.add_argument("--rev", default="2.01", choices=["1.50", "2.00", "2.01", "2.50"],
                   help="2.50: one session with a metadata partition and its mirror instead of a VAT")
    p.add_argument("--break-metadata", action="append", choices=["main", "mirror", "both", "main-data"],
                   help="2.50: break the metadata file's entry, the mirror's, both, or the main copy of "
                        "the blocks of the file set and the root's entry")
    p.add_argument("--medium", default="cdr", choices=["cdr", "dvdr"])
    p.add_argument("--efe", action="store_true", help="extended file entries")
    p.add_argument("--dir-blocks", action="store_true", help="directories in blocks of their own, never embedded")
    p.add_argument("--vat-embedded", action="store_true", help="the VAT inside its file entry while it fits")
    p.add_argument("--closed", action="store_true", help="the disc is complete (no session may follow)")
    p.add_argument("--time", type=int, default=T0)
    p.add_argument("--hostile", choices=HOSTILE, help="a small disc with one kind of damage (no listings)")
    args = p.parse_args()
    args.rev = int(args.rev.replace(".", ""), 16)
    if args.rev >= 0x250:
        args.efe = True
    if args.hostile:
        recipe = hostile_recipe(args.hostile)
    elif args.recipe in ("windows", "single", "indirect"):
        recipe = {"windows": WINDOWS, "single": SINGLE, "indirect": INDIRECT}[args.recipe]
    else:
        with open(args.recipe) as f:
            recipe = json.load(f)
    if args.rev >= 0x250:   # one session: the transactions of every session of the recipe
        recipe = [[txn for session in recipe for txn in session]]
    disc = Disc(args)
    for session in recipe:
        disc.open_session()
        for txn in session:
            disc.transaction(txn)
        disc.close_session()
    disc.save(args.out)
    for g in disc.generations:
        print(f"generation session={g[0]} start={g[1]} vat={g[2]}")


if __name__ == "__main__":
    sys.exit(main())
