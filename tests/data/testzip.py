"""What the test-data scripts share: reproducible file contents, a ZIP writer for the
hand-made archives, and a reader of finished archives that describes every entry for
the manifest the tests walk (tests/support/Corpus.h)."""
import hashlib
import random
import struct
import zlib

# Every input file and hand-made entry is dated 2024-05-17 12:34:56.
DOS_TIME, DOS_DATE = 0x645C, 0x58B1
STAMP = 1715949296  # the same moment, in seconds since 1970 (UTC)

WORDS = ["the ", "update ", "Fendrel ", "archive ", "window ", "of ", "and ", "bytes ", "stream ",
         "\n", "inflate ", "a ", "server ", "file ", "version ", ", ", ". ", "zip "]


def text(size, seed):
    """Words from a small vocabulary, as readme files and logs have them."""
    rng = random.Random(seed)
    out = []
    length = 0
    while length < size:
        word = rng.choice(WORDS)
        out.append(word)
        length += len(word)
    return "".join(out).encode()[:size]


def binary(size, seed):
    """Runs, records and copies from earlier on, as executables and tables have them."""
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        kind = rng.randrange(4)
        if kind == 0:
            out += bytes([0 if rng.randrange(3) == 0 else rng.randrange(256)]) * rng.randrange(1, 300)
        elif kind == 1:
            out += bytes(rng.randrange(256) for _ in range(rng.randrange(64)))
        elif kind == 2 and len(out) > 16:
            distance = rng.randrange(min(len(out), 40000)) + 1
            for _ in range(rng.randrange(3, 300)):
                out.append(out[-distance])
        else:
            out += bytes(rng.choice(b"\x00\x01\x48\x89\x8b\xff\xe8\x0f") for _ in range(rng.randrange(128)))
    return bytes(out[:size])


def noise(size, seed):
    rng = random.Random(seed)
    return bytes(rng.randrange(256) for _ in range(size))


def crc32(data):
    return zlib.crc32(data) & 0xFFFFFFFF


class Entry:
    """One hand-made entry: its name, the bytes as stored, and every field the reader
    checks. crc and size default to those of `content`, the bytes a decoder must yield."""

    def __init__(self, name, content=b"", stored=None, method=0, flags=0, crc=None, size=None,
                 version_needed=20, version_made_by=0x0014, external_attr=0, extra=b""):
        self.name = name if isinstance(name, bytes) else name.encode()
        self.content = content
        self.stored = content if stored is None else stored
        self.method = method
        self.flags = flags
        self.crc = crc32(content) if crc is None else crc
        self.size = len(content) if size is None else size
        self.version_needed = version_needed
        self.version_made_by = version_made_by
        self.external_attr = external_attr
        self.extra = extra


def write_zip(entries, comment=b""):
    """A single-part archive: local headers with their data, the central directory and the
    end record."""
    out = bytearray()
    central = bytearray()
    for e in entries:
        offset = len(out)
        common = struct.pack("<HHHHIII", e.flags, e.method, DOS_TIME, DOS_DATE, e.crc, len(e.stored), e.size)
        out += struct.pack("<IH", 0x04034B50, e.version_needed) + common
        out += struct.pack("<HH", len(e.name), len(e.extra)) + e.name + e.extra + e.stored
        central += struct.pack("<IHH", 0x02014B50, e.version_made_by, e.version_needed) + common
        central += struct.pack("<HHHHHII", len(e.name), len(e.extra), 0, 0, 0, e.external_attr, offset)
        central += e.name + e.extra
    start = len(out)
    out += central
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central), start,
                       len(comment)) + comment
    return bytes(out)


def central_entries(archive):
    """The end record's fields and the central records of an archive (the last end record
    in the file whose directory lies before it)."""
    at = archive.rfind(b"PK\x05\x06")
    if at < 0:
        return None, []
    disk, _, _, total, size, start, _ = struct.unpack_from("<HHHHIIH", archive, at + 4)
    end = {"offset": at, "disk": disk, "total_entries": total}
    # A prefix the offsets do not count (an unadjusted stub) moves the directory.
    shift = at - size - start
    if not (0 <= shift and archive[start + shift:start + shift + 4] == b"PK\x01\x02"):
        return end, []
    records = []
    pos = start + shift
    while archive[pos:pos + 4] == b"PK\x01\x02":
        (made_by, needed, flags, method, _, _, crc, csize, usize, nlen, xlen, clen, _, _, attr,
         offset) = struct.unpack_from("<HHHHHHIIIHHHHHII", archive, pos + 4)
        name = archive[pos + 46:pos + 46 + nlen]
        records.append({"name_bytes": name, "flags": flags, "method": method, "crc": crc, "csize": csize,
                        "usize": usize, "attr": attr, "made_by": made_by, "needed": needed})
        pos += 46 + nlen + xlen + clen
    return end, records


def bare_name(name):
    return name.replace("\\", "/").rstrip("/").split("/")[-1]


def describe(file, archive, contents, expect="ok", entry_expect=None, password=None, note=""):
    """The manifest record of one archive. `contents` maps an entry's name to the bytes a
    decoder must yield (or their SHA-256 in hex); entry_expect maps names to an outcome other than "ok"."""
    entry_expect = entry_expect or {}
    end, records = central_entries(archive)
    entries = []
    for r in records:
        raw = r["name_bytes"]
        name = raw.decode("utf-8") if r["flags"] & 0x800 else raw.decode("cp437")
        is_dir = name.endswith("/")
        content = contents.get(name, b"")
        # A committed archive's contents come as their SHA-256 (see fixed/expected.json).
        digest = content if isinstance(content, str) else hashlib.sha256(content).hexdigest()
        item = {
            "name": name,
            "is_dir": is_dir,
            "extract_as": None if is_dir or name in entry_expect else bare_name(name),
            "method": r["method"],
            "flags": "0x%04x" % r["flags"],
            "encrypted": bool(r["flags"] & 1),
            "compressed_size": r["csize"],
            "uncompressed_size": r["usize"],
            "crc32": "%08x" % r["crc"],
            "external_attr": "0x%08x" % r["attr"],
            "version_needed": r["needed"],
            "sha256": digest,
            "expect": entry_expect.get(name, "ok"),
        }
        if item["encrypted"] and item["expect"] == "ok":
            item["expect"], item["expect_with_password"], item["password"] = "needs-password", "ok", password
        entries.append(item)
    return {"file": file, "description": note, "expect": expect, "size": len(archive),
            "sha256": hashlib.sha256(archive).hexdigest(),
            "end_record": end or {}, "entries": entries}
