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


# Sheet features, each only when the sheet has it, so that a book without them lists
# nothing more.
def local_names(index, sheet):
    if hasattr(sheet, "defined_names"):  # openpyxl 3.1 keeps a sheet's names on it
        return sorted((name, defined.attr_text) for name, defined in sheet.defined_names.items())
    return sorted((defined.name, defined.attr_text) for defined in book.defined_names.definedName
                  if defined.localSheetId == index)


# A print area or title reference without sheet names and "$"; openpyxl versions
# differ in how they hand these out (a list, a text with the sheet).
def plain(ref):
    if isinstance(ref, (list, tuple)):
        ref = ",".join(ref)
    return ",".join(part.split("!")[-1].replace("$", "") for part in str(ref).split(","))


for index, sheet in enumerate(book.worksheets):
    title = sheet.title
    for merged in sorted(str(r) for r in sheet.merged_cells.ranges):
        print("merged %s %s" % (title, merged))
    if sheet.freeze_panes:
        print("frozen %s %s" % (title, sheet.freeze_panes))
    for name, text in local_names(index, sheet):
        print("name %s %s %s" % (title, name, text))
    if sheet.print_area:
        print("print area %s %s" % (title, plain(sheet.print_area)))
    if sheet.print_title_rows or sheet.print_title_cols:
        print("print titles %s %s %s" % (title, plain(sheet.print_title_rows), plain(sheet.print_title_cols)))
    if sheet.page_setup.orientation:
        print("orientation %s %s" % (title, sheet.page_setup.orientation))
    for kind, breaks in (("row", sheet.row_breaks), ("column", sheet.col_breaks)):
        for brk in breaks.brk:
            print("%s break %s %d" % (kind, title, brk.id))
    for number, row in sorted(sheet.row_dimensions.items()):
        if row.outline_level:
            print("outline row %s %d %d" % (title, number, row.outline_level))
    if sheet.protection.sheet:
        print("protected %s" % title)
