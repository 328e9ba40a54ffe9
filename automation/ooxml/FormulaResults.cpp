#include "FormulaResults.h"

#include "CellReference.h"
#include "XmlScan.h"

#include <algorithm>

namespace ooxml {

namespace {

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// Text as element content, as UTF-8.
QByteArray escapeText(const QString &text)
{
    QByteArray out = text.toUtf8();
    // Line ends and tabs as references: a reader turns a raw "\r" into "\n".
    out.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
    out.replace('\r', "&#13;").replace('\n', "&#10;").replace('\t', "&#9;");
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

bool writeFormulaResults(const QByteArray &sheetXml, const QVector<FormulaResult> &cells, QByteArray *out,
                         QString *error)
{
    xml::Element root;
    if (!xml::findRoot(sheetXml, &root, error))
        return false;
    const QList<xml::Element> data = xml::childrenNamed(sheetXml, root, "sheetData");
    if (data.size() != 1 || data.first().selfClosing)
        return fail(error, QStringLiteral("the sheet has no cells"));
    const auto before = [](const FormulaResult &a, int row, int column) {
        return a.row < row || (a.row == row && a.column < column);
    };
    QVector<bool> written(cells.size(), false);
    int count = 0;
    QList<xml::Edit> edits;
    edits.reserve(cells.size());
    int at = data.first().startTagEnd;
    const int end = data.first().contentEnd;
    while ((at = sheetXml.indexOf("<c", at)) >= 0 && at < end) {
        const char next = at + 2 < end ? sheetXml.at(at + 2) : '\0';
        if (next != ' ' && next != '>' && next != '/') {
            at += 2;
            continue;
        }
        const int tagEnd = sheetXml.indexOf('>', at);
        if (tagEnd < 0 || tagEnd >= end)
            return fail(error, QStringLiteral("a cell without its end"));
        const QByteArray tag = sheetXml.mid(at, tagEnd + 1 - at);
        const std::optional<ReferencePart> ref = parseA1Part(QString::fromLatin1(attributeIn(tag, "r")));
        const bool selfClosing = tag.endsWith("/>");
        const int cellEnd = selfClosing ? tagEnd + 1 : sheetXml.indexOf("</c>", tagEnd);
        if (cellEnd < 0 || cellEnd > end)
            return fail(error, QStringLiteral("a cell without its end"));
        if (ref && ref->shape == ReferencePart::Cell) {
            const int row = ref->row.value;
            const int column = ref->column.value;
            const auto found = std::lower_bound(cells.begin(), cells.end(), 0, [&](const FormulaResult &a, int) {
                return before(a, row, column);
            });
            if (found != cells.end() && found->row == row && found->column == column) {
                const int index = int(found - cells.begin());
                const QByteArray content = sheetXml.mid(tagEnd + 1, cellEnd - tagEnd - 1);
                const int valueAt = content.indexOf("<v");
                const int valueEnd = valueAt < 0 ? -1
                    : content.mid(valueAt, 4) == "<v/>" ? valueAt + 4
                    : content.indexOf("</v>", valueAt) < 0 ? -1 : content.indexOf("</v>", valueAt) + 4;
                if (selfClosing || written.at(index) || !content.startsWith("<f") || valueEnd < 0)
                    return fail(error, QStringLiteral("cell %1 is not a formula the office stored").arg(QString::fromLatin1(attributeIn(tag, "r"))));
                written[index] = true;
                ++count;
                const bool number = found->value.userType() == QMetaType::Double;
                const QByteArray value = number
                    // To 15 digits, as the office stores a result itself.
                    ? QByteArray::number(found->value.toDouble(), 'g', 15)
                    : escapeText(found->value.toString());
                edits.append({at, cellEnd + 4,
                              withType(tag, number ? "n" : "str") + content.left(valueAt) + "<v>" + value + "</v>"
                                  + content.mid(valueEnd) + "</c>"});
            }
        }
        at = selfClosing ? cellEnd : cellEnd + 4;
    }
    if (count != cells.size())
        return fail(error, QStringLiteral("%1 of %2 formula results have no cell").arg(cells.size() - count).arg(cells.size()));
    *out = xml::applyEdits(sheetXml, edits);
    return true;
}

} // namespace ooxml
