"""Summaries as Excel makes them: a formatted table with a calculated
column, filter buttons, a summary saved while filtered, comments."""
import openpyxl
from openpyxl.comments import Comment
from openpyxl.worksheet.filters import AutoFilter
from openpyxl.worksheet.table import Table, TableColumn, TableFormula, TableStyleInfo

HEADER = ["部门", "编号", "数量", "单价", "金额", "备注"]
DEPARTMENTS = ["销售", "财务", "技术"]


def _records(ws, count, amount):
    ws.append(HEADER)
    for i in range(count):
        row = i + 2
        ws.append([DEPARTMENTS[i % 3], "K%03d" % (i + 1), i + 1, 10 * (i + 1), amount(row), "备%d" % (i + 1)])


def table(path, count="12"):
    """套用表格格式: table 表1 over the records, TableStyleMedium2, and 金额
    the calculated column [@数量]*[@单价]. Comments on two cells of the
    editable block (C:D) and one outside it."""
    count = int(count)
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "汇总"
    _records(ws, count, lambda row: "=表1[[#This Row],[数量]]*表1[[#This Row],[单价]]")
    columns = []
    for i, name in enumerate(HEADER):
        column = TableColumn(id=i + 1, name=name)
        if name == "金额":
            column.calculatedColumnFormula = TableFormula(attr_text="表1[[#This Row],[数量]]*表1[[#This Row],[单价]]")
        columns.append(column)
    t = Table(displayName="表1", ref="A1:F%d" % (count + 1), tableColumns=columns)
    t.autoFilter = AutoFilter(ref=t.ref)
    t.tableStyleInfo = TableStyleInfo(name="TableStyleMedium2", showRowStripes=True)
    t._initialise_columns = lambda: None
    ws.add_table(t)
    ws["C5"].comment = Comment("数量待核", "张三")    # K004, 销售
    ws["D9"].comment = Comment("单价已调", "李四")    # K008, 财务
    ws["F4"].comment = Comment("备注说明", "王五")    # K003, 技术
    wb.save(path)


def filtered(path, count="12", criteria="none", amount="product"):
    """Filter buttons over the records; with criteria "some" the summary is
    saved showing only 销售 and 技术 (the 财务 rows hidden by the filter), and
    K004 (销售) hidden by hand. With amount "text", 金额 is the text formula
    =B2&"x" instead of =C2*D2."""
    count = int(count)
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "汇总"
    if amount == "text":
        _records(ws, count, lambda row: '=B%d&"x"' % row)
    else:
        _records(ws, count, lambda row: "=C%d*D%d" % (row, row))
    ws.auto_filter.ref = "A1:F%d" % (count + 1)
    if criteria == "some":
        ws.auto_filter.add_filter_column(0, ["销售", "技术"])
        for i in range(count):
            if DEPARTMENTS[i % 3] == "财务" or i == 3:
                ws.row_dimensions[i + 2].hidden = True
    wb.save(path)


KINDS = {"excel-table": table, "excel-filtered": filtered}
