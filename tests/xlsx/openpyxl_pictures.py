#!/usr/bin/python3
"""Prints the pictures openpyxl finds in an .xlsx file, one a line, for the picture tests:
sheet, anchor kind, first column and row, last column and row, image format, width and height.

usage: openpyxl_pictures.py FILE
Every warning raised while loading is printed as a "warning" line. Exit status 3 means
openpyxl, or the imaging library it reads pictures with, is not installed."""
import sys
import warnings

try:
    import openpyxl
    import PIL  # noqa: F401  (without it openpyxl drops every picture)
except ImportError:
    sys.exit(3)

with warnings.catch_warnings(record=True) as caught:
    warnings.simplefilter("always")
    book = openpyxl.load_workbook(sys.argv[1])
for warning in caught:
    print("warning %s" % warning.message)

for sheet in book.worksheets:
    for image in sheet._images:
        anchor = image.anchor
        print("picture %s %s %d,%d %d,%d %s %dx%d" % (
            sheet.title, type(anchor).__name__, anchor._from.col, anchor._from.row,
            anchor.to.col, anchor.to.row, image.format, image.width, image.height))
