#!/usr/bin/python3
"""zip_interop.py - Python's zipfile on the far side of the archive interop tests.

read ARCHIVE OUTDIR: tests the archive, writes entry i's bytes to OUTDIR/i and prints
one line per entry: the name's UTF-8 in hex, then the date and time fields.
write OUTDIR: writes the archives the C++ side reads; entry k of each holds content(k).
"""
import io
import os
import sys
import zipfile


def content(k):
    return ('<c r="A%d"><v>%d</v></c>' % (k, k * k) * (k % 50)).encode()


class Unseekable(io.RawIOBase):
    """A pipe-like sink: zipfile writes data descriptors when it cannot seek back."""

    def __init__(self, f):
        self.f = f

    def writable(self):
        return True

    def write(self, b):
        return self.f.write(b)


def write(out):
    with zipfile.ZipFile(os.path.join(out, 'comment.zip'), 'w') as z:
        z.comment = b'an archive comment'
        for k in range(6):
            z.writestr('xl/part%d.xml' % k, content(k), zipfile.ZIP_DEFLATED if k % 2 else zipfile.ZIP_STORED)
    with zipfile.ZipFile(os.path.join(out, 'zip64.zip'), 'w', zipfile.ZIP_DEFLATED) as z:
        for k in range(6):
            with z.open('xl/part%d.xml' % k, 'w', force_zip64=True) as entry:
                entry.write(content(k))
    with open(os.path.join(out, 'descriptor.zip'), 'wb') as f:
        with zipfile.ZipFile(Unseekable(f), 'w', zipfile.ZIP_DEFLATED) as z:
            for k in range(6):
                z.writestr('xl/part%d.xml' % k, content(k))
    # Over 65535 entries: the counts only fit the Zip64 end record.
    with zipfile.ZipFile(os.path.join(out, 'many.zip'), 'w', zipfile.ZIP_STORED) as z:
        for k in range(70000):
            z.writestr('p%d' % k, str(k))


def read(archive, out):
    with zipfile.ZipFile(archive) as z:
        bad = z.testzip()
        if bad is not None:
            sys.exit('bad entry: ' + bad)
        for i, info in enumerate(z.infolist()):
            with open(os.path.join(out, str(i)), 'wb') as f:
                f.write(z.read(info))
            print(info.filename.encode().hex(), *info.date_time)


if __name__ == '__main__':
    if sys.argv[1] == 'write':
        write(sys.argv[2])
    else:
        read(sys.argv[2], sys.argv[3])
