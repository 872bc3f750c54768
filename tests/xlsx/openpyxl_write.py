#!/usr/bin/python3
"""Writes an .xlsx workbook with openpyxl and prints what it wrote, one fact a line,
as the consumer test renders what our library reads back.

usage: openpyxl_write.py FILE
Formula lines give the text as our interface shows it (no "=", ";" between
arguments); a "cached" line after one gives the value a program that computes the
formula stores with it (openpyxl stores none). Exit status 3 means openpyxl is not
installed."""
import datetime
import sys

try:
    import openpyxl
except ImportError:
    sys.exit(3)

VALUES = [
    ("A1", 42),
    ("A2", -1.25),
    ("A3", 1e-10),
    ("A4", 123456789012345.0),
    ("A5", 0.1),
    ("B1", "plain"),
    ("B2", "Gr\u00fc\u00dfe \u20ac \U0001F600"),
    ("B3", "  blanks around  "),
    ("B4", "<tag> & \"quotes\" 'apostrophes'"),
    ("B5", "0123456789" * 100),
    ("C1", True),
    ("C2", False),
    ("D1", datetime.datetime(2026, 12, 6, 13, 45)),
    ("D2", datetime.date(2024, 2, 29)),
    ("E1", "#N/A"),  # openpyxl stores a known error text as an error cell
    ("E2", "#DIV/0!"),
]
# cell, as openpyxl is given it, as our interface shows it, the computed result
FORMULAS = [
    ("F1", "=SUM(A1:A2)", "SUM(A1:A2)", "number 40.75"),
    ("F2", '=IF(A1>1,"a;b, c","d")', 'IF(A1>1;"a;b, c";"d")', "text a;b, c"),
    ("F3", "='Other sheet'!B2*2", "'Other sheet'!B2*2", "number 5"),
    ("F4", "=CONCATENATE(B1,\"!\")", "CONCATENATE(B1;\"!\")", "text plain!"),
]


def describe(value):
    if isinstance(value, bool):
        return "bool %s" % ("true" if value else "false")
    if isinstance(value, (int, float)):
        return "number %.17g" % value
    if isinstance(value, datetime.datetime):
        return "date %s" % value.isoformat()
    if isinstance(value, datetime.date):
        return "date %sT00:00:00" % value.isoformat()
    if value.startswith("#"):
        return "error %s" % value
    return "text %s" % value


book = openpyxl.Workbook()
values = book.active
values.title = "Values"
print("sheet 0 Values visible")
for ref, value in VALUES:
    values[ref] = value
    print("Values!%s %s" % (ref, describe(value)))
for ref, given, ours, computed in FORMULAS:
    values[ref] = given
    print("Values!%s formula %s" % (ref, ours))
    print("cached Values!%s %s" % (ref, computed))
values.row_dimensions[3].hidden = True
values.column_dimensions["C"].hidden = True
print("hidden row Values 3")
print("hidden column Values C")

other = book.create_sheet("Other sheet")
other["B2"] = 2.5
print("sheet 1 Other sheet visible")
print("Other sheet!B2 %s" % describe(2.5))
for index, name, state in ((2, "Hidden", "hidden"), (3, "Very hidden", "veryHidden")):
    sheet = book.create_sheet(name)
    sheet.sheet_state = state
    sheet["A1"] = name
    print("sheet %d %s %s" % (index, name, state))
    print("%s!A1 text %s" % (name, name))
book.save(sys.argv[1])
