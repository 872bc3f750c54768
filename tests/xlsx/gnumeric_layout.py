#!/usr/bin/python3
"""Prints the sheets of an uncompressed Gnumeric XML file (ssconvert's Gnumeric_XmlIO:sax:0)
with their visibility, and the rows and columns it hides, in the lines of openpyxl_dump.py.

usage: gnumeric_layout.py FILE"""
import sys
import xml.etree.ElementTree as ElementTree

GNM = "{http://www.gnumeric.org/v10.dtd}"
STATES = {"GNM_SHEET_VISIBILITY_VISIBLE": "visible", "GNM_SHEET_VISIBILITY_HIDDEN": "hidden",
          "GNM_SHEET_VISIBILITY_VERY_HIDDEN": "veryHidden"}


def letters(column):
    name = ""
    column += 1
    while column:
        column, rest = divmod(column - 1, 26)
        name = chr(ord("A") + rest) + name
    return name


root = ElementTree.parse(sys.argv[1]).getroot()
for index, sheet in enumerate(root.iter(GNM + "Sheet")):
    name = sheet.find(GNM + "Name").text
    print("sheet %d %s %s" % (index, name, STATES.get(sheet.get("Visibility"), sheet.get("Visibility"))))
    # An entry covers Count rows or columns from No, all of them zero-based.
    for kind, tag, show in (("row", "Rows/" + GNM + "RowInfo", lambda n: str(n + 1)),
                            ("column", "Cols/" + GNM + "ColInfo", letters)):
        for info in sheet.findall(GNM + tag):
            if info.get("Hidden") == "1":
                first = int(info.get("No"))
                for number in range(first, first + int(info.get("Count", "1"))):
                    print("hidden %s %s %s" % (kind, name, show(number)))
