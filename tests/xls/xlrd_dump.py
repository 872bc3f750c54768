#!/usr/bin/python3
"""Prints what xlrd sees in a workbook, one fact a line, for the consumer test.

Exit status 3 means xlrd is not installed (the test then skips)."""
import sys

try:
    import xlrd
except ImportError:
    sys.exit(3)

book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
KINDS = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_DATE: "date",
         xlrd.XL_CELL_BOOLEAN: "bool", xlrd.XL_CELL_BLANK: "blank", xlrd.XL_CELL_ERROR: "error"}
for sheet in book.sheets():
    print("sheet %s visibility=%d" % (sheet.name, sheet.visibility))
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            fmt = book.format_map[book.xf_list[cell.xf_index].format_key].format_str
            print("  %d,%d %s %r [%s]" % (r, c, KINDS[cell.ctype], cell.value, fmt))
    for rlo, rhi, clo, chi in sorted(sheet.merged_cells):
        print("  merge rows %d-%d cols %d-%d" % (rlo, rhi - 1, clo, chi - 1))
    for r, info in sorted(sheet.rowinfo_map.items()):
        if info.hidden:
            print("  hidden row %d" % r)
    for c, info in sorted(sheet.colinfo_map.items()):
        if info.hidden:
            print("  hidden column %d" % c)
