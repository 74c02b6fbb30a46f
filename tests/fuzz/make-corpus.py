#!/usr/bin/env python3
"""Makes the seed images of the disc fuzzer in tests/fuzz/corpus.

Mastered images come from genisoimage and xorriso (no padding, so they stay small);
hostile ones are laid out byte by byte. Run it from anywhere; it rewrites the seeds
it makes and leaves other files of the corpus alone.
"""
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
SECTOR = 2048
DATE = bytes([101, 6, 15, 12, 30, 44, 0])  # 2001-06-15 12:30:44


def both16(v):
    return struct.pack("<H", v) + struct.pack(">H", v)


def both32(v):
    return struct.pack("<I", v) + struct.pack(">I", v)


def record(name, extent, size, flags=0, su=b""):
    pad = b"\0" if len(name) % 2 == 0 else b""
    body = both32(extent) + both32(size) + DATE + bytes([flags, 0, 0]) + both16(1)
    rec = bytes([0]) + body + bytes([len(name)]) + name + pad + su
    rec += b"\0" if len(rec) % 2 == 0 else b""  # records have an even length, length byte included
    return bytes([len(rec) + 1]) + rec


def dot(extent, size=SECTOR):
    return record(b"\0", extent, size, 2)


def dotdot(extent, size=SECTOR):
    return record(b"\1", extent, size, 2)


def ucs2(text):
    return text.encode("utf-16-be")


class Image:
    def __init__(self, sectors):
        self.data = bytearray(sectors * SECTOR)

    def put(self, lba, offset, data):
        end = lba * SECTOR + offset + len(data)
        if end > len(self.data):
            self.data.extend(b"\0" * (end - len(self.data)))
        self.data[lba * SECTOR + offset:end] = data

    def descriptor(self, lba, kind, root_extent, root_size, joliet=True):
        d = bytearray(SECTOR)
        d[0] = kind
        d[1:6] = b"CD001"
        d[6] = 1
        d[8:40] = b" " * 32
        d[40:72] = b"FUZZ".ljust(32)
        d[80:88] = both32(len(self.data) // SECTOR)
        if kind == 2 and joliet:
            d[88:91] = b"%/E"
        d[120:124] = both16(1)
        d[124:128] = both16(1)
        d[128:132] = both16(SECTOR)
        d[156:190] = record(b"\0", root_extent, root_size, 2)
        d[881] = 1
        self.put(lba, 0, bytes(d))

    def terminator(self, lba):
        self.put(lba, 0, b"\xffCD001\x01")

    def directory(self, lba, records):
        """Lays records out from lba on; a record never crosses a sector."""
        offset = 0
        for rec in records:
            if offset + len(rec) > SECTOR:
                lba, offset = lba + 1, 0
            self.put(lba, offset, rec)
            offset += len(rec)

    def write(self, name):
        with open(os.path.join(CORPUS, name), "wb") as f:
            f.write(self.data)


def mastered(name, files, args, tool="genisoimage"):
    with tempfile.TemporaryDirectory() as tmp:
        tree = os.path.join(tmp, "tree")
        for path, content in files:
            full = os.path.join(tree, path)
            if content is None:
                os.makedirs(full, exist_ok=True)
                continue
            os.makedirs(os.path.dirname(full), exist_ok=True)
            if isinstance(content, tuple):  # ("symlink", target)
                os.symlink(content[1], full)
            else:
                with open(full, "w") as f:
                    f.write(content)
        for root, dirs, names in os.walk(tree):
            for n in dirs + names:
                os.utime(os.path.join(root, n), (1000000000, 1000000000), follow_symlinks=False)
        out = os.path.join(CORPUS, name)
        if tool == "genisoimage":
            cmd = ["genisoimage", "-quiet", "-no-pad", "-o", out] + args + [tree]
        else:
            cmd = ["xorriso", "-as", "mkisofs", "-quiet", "-no-pad", "-o", out] + args + [tree]
        subprocess.run(cmd, check=True, env=dict(os.environ, SOURCE_DATE_EPOCH="1000000000"))


def hostile():
    # A file in two extents, a directory that lists itself and its parent, a
    # directory claiming 4 GiB, two directories sharing one extent, a file past the
    # end of the disc, a record whose length byte runs past its sector.
    img = Image(27)
    img.descriptor(16, 1, 20, SECTOR)
    img.descriptor(17, 2, 24, SECTOR)
    img.terminator(18)
    img.directory(20, [dot(20), dotdot(20),
                       record(b"SPLIT.BIN;1", 25, SECTOR, 0x80), record(b"SPLIT.BIN;1", 26, 100),
                       record(b"LOOP", 21, SECTOR, 2), record(b"HUGE", 22, 0xFFFFFFFF, 2),
                       record(b"SHARED1", 23, SECTOR, 2), record(b"SHARED2", 23, SECTOR, 2),
                       record(b"FAR.BIN;1", 0x7FFFFFF0, 4096), record(b"LINK.TXT;1", 26, 10),
                       record(b"HARD.TXT;1", 26, 10)])
    img.directory(21, [dot(21), dotdot(20), record(b"LOOP", 21, SECTOR, 2), record(b"UP", 20, SECTOR, 2)])
    img.directory(22, [dot(22, 0xFFFFFFFF), dotdot(20), record(b"X.TXT;1", 26, 5)])
    img.directory(23, [dot(23), dotdot(20), record(b"S.TXT;1", 26, 5)])
    img.directory(24, [dot(24), dotdot(24),
                       record(ucs2("README.TXT;1"), 26, 7), record(ucs2("readme.txt;1"), 26, 7),
                       record(ucs2("a/b"), 26, 3), record(ucs2("a_b"), 26, 3),
                       record(ucs2("..") , 26, 3), record(ucs2("esc\x1b[2J"), 26, 3),
                       record(ucs2("LINKDIR"), 21, SECTOR, 2)])
    img.put(20, SECTOR - 3, b"\xff")  # a length byte running past the sector
    img.put(25, 0, b"first extent".ljust(SECTOR, b"."))
    img.put(26, 0, b"second extent\n")
    img.write("hostile-records.iso")

    # The Joliet root lies past the end of the disc; the primary tree is readable.
    img = Image(24)
    img.descriptor(16, 1, 20, SECTOR)
    img.descriptor(17, 2, 900000, SECTOR)
    img.terminator(18)
    img.directory(20, [dot(20), dotdot(20), record(b"KEPT.TXT;1", 21, 5)])
    img.put(21, 0, b"kept\n")
    img.write("joliet-root-unreadable.iso")

    # A chain of nested directories deeper than the tree keeps, one sector each.
    depth = 120
    img = Image(20 + depth + 1)
    img.descriptor(16, 1, 20, SECTOR)
    img.terminator(17)
    for i in range(depth):
        lba = 20 + i
        recs = [dot(lba), dotdot(lba - 1 if i else lba)]
        recs.append(record(b"D", lba + 1, SECTOR, 2) if i + 1 < depth else record(b"END.TXT;1", lba + 1, 4))
        img.directory(lba, recs)
    img.put(20 + depth, 0, b"end\n")
    img.write("deep-chain.iso")


def su(sig, data):
    return sig + bytes([4 + len(data), 1]) + data


def rock_ridge_hostile():
    # POSIX entries that lie: continuation areas past the disc and in a loop, a name
    # that never ends, a link component longer than its entry, child links to a
    # sector that is no directory and to the root itself, a relocated directory.
    img = Image(32)
    img.descriptor(16, 1, 20, SECTOR)
    img.terminator(17)
    nm = lambda flags, name: su(b"NM", bytes([flags]) + name)
    ce = lambda block, offset, length: su(b"CE", both32(block) + both32(offset) + both32(length))
    link_mode = su(b"PX", both32(0o120777) + both32(1) + both32(0) + both32(0))
    img.directory(20, [record(b"\0", 20, SECTOR, 2, su(b"SP", b"\xbe\xef\x00") + su(b"RR", b"\x81")),
                       dotdot(20),
                       record(b"CEFAR.TXT;1", 30, 3, 0, nm(0, b"far name.txt") + ce(5000, 0, 50)),
                       record(b"CELOOP.TXT;1", 30, 3, 0, ce(25, 0, 37)),
                       record(b"NMOPEN.TXT;1", 30, 3, 0, nm(1, b"unended")),
                       record(b"SLBAD;1", 30, 0, 0, link_mode + su(b"SL", b"\0\0\x28abc")),
                       record(b"CLBAD;1", 30, 0, 0, nm(0, b"to nowhere") + su(b"CL", both32(30))),
                       record(b"CLSELF;1", 30, 0, 0, nm(0, b"to the root") + su(b"CL", both32(20))),
                       record(b"RELOC", 21, SECTOR, 2, su(b"RE", b""))])
    img.directory(21, [dot(21), dotdot(20), record(b"IN.TXT;1", 30, 3)])
    img.put(25, 0, nm(1, b"loop") + ce(26, 0, 35))
    img.put(26, 0, nm(0, b"ed") + ce(25, 0, 37))
    img.put(30, 0, b"abc")
    img.write("rock-ridge-hostile.iso")


def udf():
    # UDF discs from the test writer: a VAT chain over three sessions (on DVD-R, where
    # sessions follow each other closely, so the flat image stays small), a metadata
    # partition whose main copy of the root is damaged, and one small damaged disc for
    # each kind of trouble the writer knows.
    writer = os.path.join(HERE, "..", "..", "tools", "make-udf-disc.py")
    kinds = [("udf-vat-chain.img", ["--medium", "dvdr"]), ("udf-vat-150.img", ["--recipe", "single", "--rev", "1.50"])]
    kinds += [("udf-metadata-main-broken.img", ["--recipe", "single", "--rev", "2.50", "--break-metadata", "main-data"])]
    kinds += [("udf-" + k + ".img", ["--hostile", k]) for k in
              ("icb-loop", "ae-loop", "vat-huge", "partition-beyond", "deep", "long-names", "bad-tags")]
    for name, args in kinds:
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run(["/usr/bin/python3", writer] + args + [tmp], check=True, stdout=subprocess.DEVNULL)
            os.replace(os.path.join(tmp, "disc.img"), os.path.join(CORPUS, name))


def rock_ridge_forms():
    # Entries announced by an extension reference alone (no RR entry), time stamps in
    # the 17-byte form on files and a directory, a sticky world-writable directory, a
    # set-user-ID file, a link whose target holds a NUL, and records that all share one
    # continuation area of long name pieces. The last byte asks the disc target for
    # --symlinks and --keep-modes.
    img = Image(40)
    img.descriptor(16, 1, 20, SECTOR)
    img.terminator(17)
    nm = lambda flags, name: su(b"NM", bytes([flags]) + name)
    px = lambda mode: su(b"PX", both32(mode) + both32(1) + both32(0) + both32(0))
    ce = lambda block, offset, length: su(b"CE", both32(block) + both32(offset) + both32(length))
    long_tf = su(b"TF", bytes([0x80 | 0x02]) + b"2001061512304500" + bytes([4]))
    er_id, er_text = b"IEEE_P1282", b"POSIX FILE SYSTEM SEMANTICS"
    er = su(b"ER", bytes([len(er_id), len(er_text), 0, 1]) + er_id + er_text)
    shared = b"".join(nm(1, b"n" * 200) for _ in range(9)) + nm(0, b"end")
    recs = [record(b"\0", 20, SECTOR, 2, su(b"SP", b"\xbe\xef\x00") + er), dotdot(20),
            record(b"LONGTF.TXT;1", 30, 5, 0, nm(0, b"long form.txt") + px(0o104755) + long_tf),
            record(b"STICKY", 21, SECTOR, 2, nm(0, b"sticky") + px(0o41777) + long_tf),
            record(b"NULLINK;1", 30, 0, 0, nm(0, b"nul link") + px(0o120777) +
                   su(b"SL", b"\0\0\x0evictim\0ignored"))]
    recs += [record(b"SHARED%d.TXT;1" % i, 30, 5, 0, ce(25, 0, len(shared))) for i in range(12)]
    img.directory(20, recs)
    img.directory(21, [record(b"\0", 21, SECTOR, 2, px(0o41777) + long_tf), dotdot(20)])
    img.put(25, 0, shared)
    img.put(30, 0, b"data\n")
    img.data.extend(b"\x03")
    img.write("rock-ridge-forms.iso")


def sheets_with_data():
    # The fuzz targets hold an input's files in memory: a sheet, a line "--data--",
    # then the data every name the sheet gives stands for. One seed per sheet of the
    # corpus with the data file made for it, and a disc description.
    def read(name):
        with open(os.path.join(CORPUS, name), "rb") as f:
            return f.read()
    pairs = [("img-cue", ".bin", [".cue", "-session.cue", "-badmode.cue", "-indexpastend.cue"]),
             ("img-cdrdao", ".bin", [".toc", "-long.toc", "-statement.toc"]),
             ("img-alcohol", ".mdf", [".mds", "-extra.mds", "-sessions.mds"]),
             ("img-clonecd", ".img", [".ccd", "-point.ccd"])]
    for stem, data, sheets in pairs:
        for sheet in sheets:
            with open(os.path.join(CORPUS, "sheet-" + stem[4:] + sheet.replace(".", "-")), "wb") as f:
                f.write(read(stem + sheet) + b"\n--data--\n" + read(stem + data))
    description = (b"drive vendor=FUZZ\nmedium profile=CD-R\ndisc status=incomplete\nsession number=1\n"
                   b"track number=1 type=data start=0 length=21 file=disc.iso\n")
    with open(os.path.join(CORPUS, "sheet-description"), "wb") as f:
        f.write(description + b"\n--data--\n" + read("plain-level1.iso"))


def main():
    os.makedirs(CORPUS, exist_ok=True)
    files = [("README.TXT", "upper\n"), ("readme.txt", "lower\n"), ("LINK.TXT", "link\n"),
             ("HARD.TXT", "hard\n"), ("LINKDIR/inside.txt", "in\n"), ("empty", None),
             ("a/b/c/d/e/f/g/h/i/deep.txt", "deep\n"), ("sym", ("symlink", "../../etc/passwd")),
             ("Ünïcödé name.txt", "utf\n"), ("x" * 100 + ".txt", "long\n")]
    mastered("joliet-rr.iso", files, ["-J", "-R", "-joliet-long"])
    mastered("plain-level1.iso", files[:5], [])
    mastered("level4-longname.iso", [("n" * 154, "154\n"), ("dir/" + "d" * 120 + "/f", "f\n")],
             ["-iso-level", "4", "-R"])
    mastered("xorriso-rr-joliet.iso", files + [("ce/" + "long-rock-ridge-name-" * 10, "ce\n")],
             ["-J", "-R", "-joliet-long"], tool="xorriso")
    mastered("rock-ridge-only.iso", [("Mixed Case.txt", "m\n"), ("l1/l2/l3/l4/l5/l6/l7/l8/l9/leaf.txt", "leaf\n"),
                                     ("abs", ("symlink", "/etc/passwd")), ("rel", ("symlink", "../x"))], ["-R"])
    hostile()
    rock_ridge_hostile()
    udf()


    rock_ridge_forms()
    sheets_with_data()
    for name in sorted(os.listdir(CORPUS)):
        print(name, os.path.getsize(os.path.join(CORPUS, name)))


if __name__ == "__main__":
    sys.exit(main())
