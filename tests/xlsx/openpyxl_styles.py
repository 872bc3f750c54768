#!/usr/bin/python3
"""The openpyxl side of the consumer tests of formats and fonts.

usage: openpyxl_styles.py FILE        prints the styles openpyxl sees on the styled
                                      cells of the file's first sheet, one fact a line
       openpyxl_styles.py write FILE  writes a book styled as the tests' own one
Colours are shown as openpyxl holds them: the ARGB text, "i<n>" for an indexed colour,
"t<n>" for a theme colour, "none" when there is none. Every warning raised while
loading is printed, so that a test comparing the output fails on it. Exit status 3
means openpyxl is not installed."""
import sys
import warnings

try:
    import openpyxl
    from openpyxl.styles import Alignment, Border, Font, PatternFill, Protection, Side
except ImportError:
    sys.exit(3)


def color(c):
    if c is None:
        return "none"
    if c.type == "rgb":
        return c.rgb
    if c.type == "indexed":
        return "i%d" % c.indexed
    return "t%d" % c.theme


def side(s):
    return "%s/%s" % (s.style or "none", color(s.color))


def flag(value):
    return 1 if value else 0


def write(path):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Styled"
    a1 = sheet["A1"]
    a1.value = 1.5
    a1.font = Font(name="Arial", sz=14, b=True, color="FFFF0000")
    a1.fill = PatternFill("solid", fgColor="FF123456")
    thin = Side("thin", color="FF00FF00")
    a1.border = Border(left=thin, right=thin, top=thin, bottom=thin)
    a1.alignment = Alignment(horizontal="center", vertical="center", wrap_text=True)
    a1.number_format = "0.00"
    a2 = sheet["A2"]
    a2.value = 36526
    a2.font = Font(name="Calibri", sz=11, i=True, strike=True, u="double", vertAlign="superscript")
    a2.fill = PatternFill("darkGrid", fgColor="FFFF8000", bgColor="FF0000FF")
    a2.border = Border(left=Side("thick"), right=Side("dashDot"), top=Side("double"), bottom=Side("hair"),
                       diagonal=Side("medium"), diagonalUp=True, diagonalDown=True)
    a2.alignment = Alignment(horizontal="right", vertical="top", text_rotation=45, indent=2)
    a2.protection = Protection(locked=False, hidden=True)
    a2.number_format = "yyyy-mm-dd"
    a3 = sheet["A3"]
    a3.value = "x"
    a3.font = Font(name="Calibri", sz=11, u="singleAccounting", vertAlign="subscript")
    a3.alignment = Alignment(horizontal="fill", vertical="justify", text_rotation=255, shrink_to_fit=True)
    book.save(path)


if sys.argv[1] == "write":
    write(sys.argv[2])
    sys.exit(0)

with warnings.catch_warnings(record=True) as caught:
    warnings.simplefilter("always")
    book = openpyxl.load_workbook(sys.argv[1])
for warning in caught:
    print("warning %s" % warning.message)

for row in book.worksheets[0].iter_rows():
    for cell in row:
        if not cell.has_style:
            continue
        at = cell.coordinate
        f = cell.font
        print("%s font %s %g b%d i%d s%d u=%s va=%s %s" % (at, f.name, f.sz, flag(f.b), flag(f.i), flag(f.strike),
                                                         f.u or "none", f.vertAlign or "none", color(f.color)))
        p = cell.fill
        if p.patternType:
            print("%s fill %s %s %s" % (at, p.patternType, color(p.fgColor), color(p.bgColor)))
        b = cell.border
        print("%s border %s %s %s %s diagonal %s up%d down%d" % (at, side(b.left), side(b.right), side(b.top),
                                                                side(b.bottom), side(b.diagonal), flag(b.diagonalUp),
                                                                flag(b.diagonalDown)))
        a = cell.alignment
        print("%s align %s %s wrap%d rot%d indent%d shrink%d" % (at, a.horizontal or "general", a.vertical or "bottom",
                                                                flag(a.wrap_text), a.text_rotation or 0,
                                                                a.indent or 0, flag(a.shrink_to_fit)))
        print("%s protection locked%d hidden%d" % (at, flag(cell.protection.locked), flag(cell.protection.hidden)))
        print("%s numfmt %s" % (at, cell.number_format))
