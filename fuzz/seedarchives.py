"""The ZIP archives fuzz targets take their seeds from, and their entries as stored.

The folders are those of FENDREL_SEED_ARCHIVES (separated by ':'), which scripts/fuzz sets
to the project's own test data (made there by tests/data/make-test-data) followed by the
outside corpus ($FENDREL_CORPUS, default ../shared/corpus beside the checkout) when it is
present. Folders that do not exist are left out.
"""
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def folders():
    listed = os.environ.get("FENDREL_SEED_ARCHIVES")
    if listed is None:
        listed = os.environ.get("FENDREL_CORPUS", os.path.join(ROOT, "..", "shared", "corpus"))
    return [folder for folder in listed.split(":") if folder and os.path.isdir(folder)]


def archives():
    """(label, bytes) of every .zip file in the folders, in a stable order; the label is the
    file's path below its folder with '/' made '_', so equal names never collide."""
    for folder in folders():
        for dirpath, dirnames, names in sorted(os.walk(folder)):
            dirnames.sort()
            for name in sorted(names):
                if not name.lower().endswith(".zip"):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, "rb") as f:
                    data = f.read()
                yield os.path.relpath(path, folder)[:-4].replace(os.sep, "_"), data


class Entry:
    def __init__(self, offset, flags, method, size, data):
        self.offset, self.flags, self.method, self.size, self.data = offset, flags, method, size, data


def entries(archive):
    """The entries of an archive read from its local headers from the start, as stored;
    the walk ends at the first entry whose sizes follow its data in a descriptor."""
    at = 0
    while at + 30 <= len(archive) and archive[at:at + 4] == b"PK\x03\x04":
        flags, method = struct.unpack_from("<HH", archive, at + 6)
        packed, size = struct.unpack_from("<II", archive, at + 18)
        data = at + 30 + sum(struct.unpack_from("<HH", archive, at + 26))
        if flags & 8:
            return
        yield Entry(at, flags, method, size, archive[data:data + packed])
        at = data + packed
