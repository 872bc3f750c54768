#!/usr/bin/python3
"""Prints what openpyxl sees in an .xlsx file, one fact a line, for the consumer tests.

usage: openpyxl_dump.py FILE [values]
Formulas are shown as openpyxl holds them ("=..." with "," separators); with "values"
the file is loaded with data_only=True, so formula cells show the results cached in it.
Every warning raised while loading is printed as a "warning" line, so that a test
comparing the output fails on it. Exit status 3 means openpyxl is not installed."""
import datetime
import sys
import warnings

try:
    import openpyxl
    from openpyxl.utils import get_column_letter
except ImportError:
    sys.exit(3)


def describe(cell):
    value = cell.value
    if value is None:
        return "blank"
    if isinstance(value, bool):
        return "bool %s" % ("true" if value else "false")
    if isinstance(value, (int, float)):
        return "number %.17g" % value
    if isinstance(value, (datetime.datetime, datetime.date, datetime.time)):
        return "date %s" % value.isoformat()
    if cell.data_type == "f":
        return "formula %s" % value
    if cell.data_type == "e":
        return "error %s" % value
    return "text %s" % value


with warnings.catch_warnings(record=True) as caught:
    warnings.simplefilter("always")
    book = openpyxl.load_workbook(sys.argv[1], data_only=sys.argv[2:] == ["values"])
for warning in caught:
    print("warning %s" % warning.message)

for index, sheet in enumerate(book.worksheets):
    print("sheet %d %s %s" % (index, sheet.title, sheet.sheet_state))
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is not None or cell.has_style:
                print("%s!%s %s [%s]" % (sheet.title, cell.coordinate, describe(cell), cell.number_format))
    for number, row in sorted(sheet.row_dimensions.items()):
        if row.hidden:
            print("hidden row %s %d" % (sheet.title, number))
        if row.customHeight:
            print("height %s %d %g" % (sheet.title, number, row.height))
    for column in sorted(sheet.column_dimensions.values(), key=lambda c: c.min or 0):
        for number in range(column.min, column.max + 1):
            if column.hidden:
                print("hidden column %s %s" % (sheet.title, get_column_letter(number)))
            if column.customWidth:
                print("width %s %s %.1f" % (sheet.title, get_column_letter(number), column.width))
