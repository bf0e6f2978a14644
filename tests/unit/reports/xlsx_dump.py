#!/usr/bin/python3
"""Prints what an independent reader (openpyxl) finds in a workbook, one fact a line, fields
separated by tabs, texts as JSON strings:

    sheets  NAME,NAME,...          active  NAME
    page    SHEET  ORIENTATION
    cell    SHEET  A1  "text" | 123
    comment SHEET  B2  "text"
    chart   SHEET  pie|line  "title"  bold=1|0
    series  SHEET  N  values=REF  categories=REF  name=REF
"""
import json
import sys

import openpyxl


def text(value):
    return json.dumps(value, ensure_ascii=False)


def number(value):
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return repr(value)


def title_of(chart):
    paragraph = chart.title.tx.rich.p[0]
    runs = paragraph.r or []
    bold = all(run.rPr is not None and run.rPr.b for run in runs) and len(runs) > 0
    return "".join(run.t for run in runs), bold


def reference(data):
    if data is None:
        return ""
    for kind in ("numRef", "strRef"):
        ref = getattr(data, kind, None)
        if ref is not None:
            return ref.f
    return ""


def main(path):
    book = openpyxl.load_workbook(path)
    print("sheets\t" + ",".join(book.sheetnames))
    print("active\t" + book.active.title)
    for sheet in book.worksheets:
        print("page\t%s\t%s" % (sheet.title, sheet.page_setup.orientation))
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                shown = text(cell.value) if isinstance(cell.value, str) else number(cell.value)
                print("cell\t%s\t%s\t%s" % (sheet.title, cell.coordinate, shown))
                if cell.comment is not None:
                    print("comment\t%s\t%s\t%s" % (sheet.title, cell.coordinate, text(cell.comment.text)))
    for sheet in book.chartsheets:
        print("page\t%s\t%s" % (sheet.title, sheet.pageSetup.orientation))
        for chart in sheet._charts:
            kind = {"pieChart": "pie", "lineChart": "line"}.get(chart.tagname, chart.tagname)
            title, bold = title_of(chart)
            print("chart\t%s\t%s\t%s\tbold=%d" % (sheet.title, kind, text(title), 1 if bold else 0))
            for index, series in enumerate(chart.series):
                name = series.tx.strRef.f if series.tx is not None and series.tx.strRef is not None else ""
                print("series\t%s\t%d\tvalues=%s\tcategories=%s\tname=%s"
                      % (sheet.title, index, reference(series.val), reference(series.cat), name))


if __name__ == "__main__":
    main(sys.argv[1])
