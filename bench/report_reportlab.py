"""The comparison layout of bench_report: the same employee list laid out by reportlab's
platypus into an A4 PDF (the same six columns, a page header and footer, a heading and a
total line per subdivision). Reads the rows from a tab-separated file, writes the PDF and
prints the seconds from reading the rows to the finished file."""
import sys
import time

from reportlab.lib.pagesizes import A4
from reportlab.lib.styles import ParagraphStyle
from reportlab.lib.units import mm
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.platypus import Paragraph, SimpleDocTemplate, Table

FONT = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"
# A row is 24 page pixels high, as in the engine's report (91.6256 pixels an inch).
ROW = 24 / 91.6256 * 72
BOLD = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"


def main(rows_file, pdf_file):
    pdfmetrics.registerFont(TTFont("LS", FONT))
    pdfmetrics.registerFont(TTFont("LSB", BOLD))
    start = time.perf_counter()
    with open(rows_file, encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f]
    heading = ParagraphStyle("h", fontName="LSB", fontSize=8)
    total = ParagraphStyle("t", fontName="LS", fontSize=8)
    widths = [12 * mm, 16 * mm, 62 * mm, 48 * mm, 22 * mm, 22 * mm]
    style = [("FONT", (0, 0), (-1, -1), "LS", 8), ("ALIGN", (5, 0), (5, -1), "RIGHT"),
             ("TOPPADDING", (0, 0), (-1, -1), 1), ("BOTTOMPADDING", (0, 0), (-1, -1), 1)]
    story = []
    group, body, line, money = None, [], 0, 0.0

    def close_group():
        if group is not None:
            story.append(Table(body, colWidths=widths, rowHeights=ROW, style=style))
            text = "Разом по підрозділу: %d працівників, %.2f" % (line, money)
            story.append(Paragraph(text.replace(".", ","), total))

    for dept, tab, fio, position, hired, salary in rows:
        if dept != group:
            close_group()
            group, body, line, money = dept, [], 0, 0.0
            story.append(Paragraph(dept, heading))
        line += 1
        money += float(salary)
        body.append([str(line), tab, fio, position, hired, ("%.2f" % float(salary)).replace(".", ",")])
    close_group()

    def page(canvas, doc):
        canvas.saveState()
        canvas.setFont("LS", 8)
        y = A4[1] - 10 * mm
        for x, text in zip([10, 22, 38, 100, 148, 170], ["№", "Таб. №", "Прізвище, ім'я, по батькові",
                                                         "Посада", "Прийнятий", "Оклад"]):
            canvas.drawString(x * mm, y, text)
        canvas.drawString(10 * mm, 8 * mm, "Сторінка %d" % doc.page)
        canvas.restoreState()

    doc = SimpleDocTemplate(pdf_file, pagesize=A4, leftMargin=10 * mm, rightMargin=10 * mm,
                            topMargin=15 * mm, bottomMargin=15 * mm)
    doc.build(story, onFirstPage=page, onLaterPages=page)
    print("%.6f %d" % (time.perf_counter() - start, doc.page))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
