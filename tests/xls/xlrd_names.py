#!/usr/bin/python3
"""Prints the defined names xlrd sees in a workbook, one a line, for the consumer test.

Each area is given inclusive: sheets first-last, rows first-last, columns first-last.
Exit status 3 means xlrd is not installed (the test then skips)."""
import sys

try:
    import xlrd
    from xlrd import formula
except ImportError:
    sys.exit(3)


def inclusive(coords):
    shlo, shhi, rlo, rhi, clo, chi = coords
    return "sheets %d-%d rows %d-%d cols %d-%d" % (shlo, shhi - 1, rlo, rhi - 1, clo, chi - 1)


book = xlrd.open_workbook(sys.argv[1])
for name in book.name_obj_list:
    result = name.result
    if result is None or result.kind != formula.oREF:
        print("%s scope=%d not a reference" % (name.name, name.scope))
        continue
    print("%s scope=%d builtin=%d" % (name.name, name.scope, name.builtin))
    for ref in result.value:
        print("  " + inclusive(ref.coords))
    if len(result.value) == 1:
        sheet, rlo, rhi, clo, chi = name.area2d(clipped=False)
        print("  area2d %s rows %d-%d cols %d-%d" % (sheet.name, rlo, rhi - 1, clo, chi - 1))
