"""The PDF benchmark's peer: the same rows as a reportlab platypus table in DejaVu Sans, A4.

Usage: /usr/bin/python3 bench/pdf_table_reportlab.py DATABASE QUERY OUT.pdf
"""
import sqlite3
import sys

from reportlab.lib import colors
from reportlab.lib.pagesizes import A4
from reportlab.lib.units import mm
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.platypus import LongTable, SimpleDocTemplate, TableStyle

database, query, out = sys.argv[1:4]
pdfmetrics.registerFont(TTFont("DejaVu", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"))
rows = [("Id", "Klient", "Miasto", "Kwota", "Data")]
rows += [tuple("" if v is None else str(v) for v in r) for r in sqlite3.connect(database).execute(query)]
table = LongTable(rows, colWidths=[21 * mm, 58 * mm, 37 * mm, 34 * mm, 37 * mm], repeatRows=1)
table.setStyle(TableStyle([("FONT", (0, 0), (-1, -1), "DejaVu", 10), ("TEXTCOLOR", (0, 0), (-1, -1), colors.black)]))
doc = SimpleDocTemplate(out, pagesize=A4, leftMargin=10 * mm, rightMargin=10 * mm, topMargin=10 * mm,
                        bottomMargin=10 * mm)
doc.build([table])
