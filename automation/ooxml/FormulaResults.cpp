#include "FormulaResults.h"

#include "CellReference.h"
#include "ReadFailure.h"

namespace ooxml {

namespace {

using readers::fail;

// Text as element content, as UTF-8.
QByteArray escapeText(const QString &text)
{
    QByteArray out = text.toUtf8();
    // Line ends and tabs as references: a reader turns a raw "\r" into "\n".
    out.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
    out.replace('\r', "&#13;").replace('\n', "&#10;").replace('\t', "&#9;");
    return out;
}

// Text as the office prints a formula element's content.
QByteArray escapeFormula(const QString &text)
{
    QByteArray out = escapeText(text);
    out.replace('"', "&quot;").replace('\'', "&apos;");
    return out;
}

// The value of attribute `name` within a start tag, as written; null when absent.
QByteArray attributeIn(const QByteArray &tag, const QByteArray &name)
{
    int from = 0;
    while ((from = tag.indexOf(name, from)) > 0) {
        const int after = from + name.size();
        const char before = tag.at(from - 1);
        if ((before == ' ' || before == '\t' || before == '\n' || before == '\r') && after + 1 < tag.size()
            && tag.at(after) == '=' && (tag.at(after + 1) == '"' || tag.at(after + 1) == '\'')) {
            const int end = tag.indexOf(tag.at(after + 1), after + 2);
            return end < 0 ? QByteArray() : tag.mid(after + 2, end - after - 2);
        }
        from = after;
    }
    return QByteArray();
}

// The start tag with its type attribute replaced by `type`.
QByteArray withType(QByteArray tag, const QByteArray &type)
{
    const QByteArray old = attributeIn(tag, "t");
    const int at = old.isNull() ? -1 : tag.indexOf(" t=\"" + old + '"');
    if (at >= 0)
        tag.remove(at, 5 + old.size());
    const int close = tag.endsWith("/>") ? tag.size() - 2 : tag.size() - 1;
    tag.insert(close, " t=\"" + type + '"');
    return tag;
}

} // namespace

// The cell a reference such as "AB12" names, as (row, column); none for anything else.
static bool cellOf(const char *text, int size, int *row, int *column)
{
    int i = 0;
    int c = 0;
    while (i < size && text[i] >= 'A' && text[i] <= 'Z' && c <= kSheetColumns)
        c = c * 26 + (text[i++] - 'A' + 1);
    int r = 0;
    const int digits = i;
    while (i < size && text[i] >= '0' && text[i] <= '9' && r <= kSheetRows)
        r = r * 10 + (text[i++] - '0');
    if (i != size || digits == 0 || i == digits || c > kSheetColumns || r < 1 || r > kSheetRows)
        return false;
    *row = r;
    *column = c;
    return true;
}

bool writeFormulaResults(const QByteArray &sheetXml, const QVector<FormulaResult> &cells, QByteArray *out,
                         QString *error)
{
    // The office writes its cells unprefixed; a part written otherwise is not one it stored.
    const int dataStart = sheetXml.indexOf("<sheetData>");
    const int end = sheetXml.indexOf("</sheetData>");
    if (dataStart < 0 || end < dataStart)
        return fail(error, QStringLiteral("the sheet has no cells"));
    QByteArray written;
    written.reserve(sheetXml.size() + cells.size() * 8);
    int copied = 0;
    int next = 0; // the first result not yet written; cells and results both go by row, then column
    int at = dataStart;
    const char *xml = sheetXml.constData();
    QByteArray formulaStart; // the last printed formula's start tag
    QString lastFormula;
    QByteArray lastEscaped;
    while (next < cells.size() && (at = sheetXml.indexOf("<c ", at)) >= 0 && at < end) {
        const int tagEnd = sheetXml.indexOf('>', at);
        if (tagEnd < 0 || tagEnd >= end)
            return fail(error, QStringLiteral("a cell without its end"));
        const QByteArray tag = QByteArray::fromRawData(xml + at, tagEnd + 1 - at);
        const bool selfClosing = tag.endsWith("/>");
        const int cellEnd = selfClosing ? tagEnd + 1 : sheetXml.indexOf("</c>", tagEnd) + 4;
        if (cellEnd < 4 || cellEnd > end)
            return fail(error, QStringLiteral("a cell without its end"));
        const int refAt = tag.indexOf(" r=\"");
        const int refEnd = refAt < 0 ? -1 : tag.indexOf('"', refAt + 4);
        int row = 0;
        int column = 0;
        if (refEnd > 0 && cellOf(tag.constData() + refAt + 4, refEnd - refAt - 4, &row, &column)) {
            const FormulaResult &result = cells.at(next);
            if (result.row < row || (result.row == row && result.column < column))
                break; // passed by: that cell is not in the part
            if (result.row == row && result.column == column) {
                const QByteArray content = QByteArray::fromRawData(xml + tagEnd + 1, selfClosing ? 0 : cellEnd - 4 - tagEnd - 1);
                const int valueAt = content.indexOf("<v");
                const int closing = valueAt < 0 ? -1 : content.indexOf("</v>", valueAt);
                const int valueEnd = valueAt < 0 ? -1
                    : content.mid(valueAt, 4) == "<v/>" ? valueAt + 4
                    : closing < 0 ? -1 : closing + 4;
                const QString where = QString::fromLatin1(tag.mid(refAt + 4, refEnd - refAt - 4));
                const bool printed = content.startsWith("<f");
                if (selfClosing || valueEnd < 0 || !(printed || !result.formula.isEmpty()))
                    return fail(error, QStringLiteral("cell %1 is not a formula the office stored").arg(where));
                QByteArray formula;
                if (!result.formula.isEmpty()) {
                    if (printed) {
                        const int startEnd = content.indexOf('>');
                        formulaStart = content.left(startEnd + 1);
                        if (startEnd < 0 || formulaStart.endsWith("/>")
                            || content.mid(startEnd + 1, valueAt - startEnd - 1) != escapeFormula(result.formula) + "</f>")
                            return fail(error, QStringLiteral("cell %1: the office prints its formula otherwise").arg(where));
                    } else if (formulaStart.isEmpty() || valueAt != 0) {
                        return fail(error, QStringLiteral("cell %1 stands in before any formula the office printed").arg(where));
                    } else {
                        // A row's cells mostly share one text.
                        if (result.formula != lastFormula) {
                            lastFormula = result.formula;
                            lastEscaped = escapeFormula(lastFormula);
                        }
                        formula = formulaStart + lastEscaped + "</f>";
                    }
                }
                const bool number = result.value.userType() == QMetaType::Double;
                written.append(xml + copied, at - copied);
                written.append(withType(QByteArray(tag), number ? "n" : "str"));
                written.append(content.constData(), valueAt);
                written.append(formula);
                written.append("<v>");
                // To 15 digits, as the office stores a result itself.
                written.append(number ? QByteArray::number(result.value.toDouble(), 'g', 15)
                                      : escapeText(result.value.toString()));
                written.append("</v>");
                written.append(content.constData() + valueEnd, content.size() - valueEnd);
                written.append("</c>");
                copied = cellEnd;
                ++next;
            }
        }
        at = cellEnd;
    }
    if (next != cells.size())
        return fail(error, QStringLiteral("%1 of %2 formula results have no cell").arg(cells.size() - next).arg(cells.size()));
    written.append(xml + copied, sheetXml.size() - copied);
    *out = written;
    return true;
}

} // namespace ooxml
