#!/usr/bin/python3
"""Writes an .xlsx file with sheet features and a picture, as openpyxl makes them, for
the tests that read other producers' files.

usage: openpyxl_write_features.py FILE
Sheet "Data": B2:C4 merged, the name Prices over A2:C10, print area A1:F20, print
titles rows 1-2 and column A, frozen at C2, landscape, a row break after row 10 and
a column break after column D, rows 5-6 grouped, protected; a 4 x 3 PNG anchored at
E2. Exit status 3 means openpyxl or the imaging library is not installed."""
import io
import sys

try:
    import openpyxl
    from openpyxl.drawing.image import Image
    from openpyxl.workbook.defined_name import DefinedName
    from openpyxl.worksheet.pagebreak import Break
    from PIL import Image as PilImage
except ImportError:
    sys.exit(3)

book = openpyxl.Workbook()
sheet = book.active
sheet.title = "Data"
sheet["A1"] = "x"
sheet.merge_cells("B2:C4")
book.defined_names.append(DefinedName("Prices", localSheetId=0, attr_text="Data!$A$2:$C$10"))
sheet.print_area = "A1:F20"
sheet.print_title_rows = "1:2"
sheet.print_title_cols = "A:A"
sheet.freeze_panes = "C2"
sheet.page_setup.orientation = "landscape"
sheet.row_breaks.append(Break(id=10))
sheet.col_breaks.append(Break(id=4))
sheet.row_dimensions.group(5, 6, outline_level=1)
sheet.protection.sheet = True
png = io.BytesIO()
PilImage.new("RGB", (4, 3), (200, 30, 30)).save(png, format="PNG")
png.seek(0)
image = Image(png)
sheet.add_image(image, "E2")
book.save(sys.argv[1])
