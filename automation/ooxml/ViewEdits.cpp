#include "ViewEdits.h"

#include "CellReference.h"
#include "XmlScan.h"

#include <QRegularExpression>

namespace ooxml {

namespace {

// Attribute `name` in a start tag: group 1 is its quoted value, quotes included.
QRegularExpressionMatch attributeIn(const QString &tag, const QByteArray &name)
{
    const QRegularExpression existing(QStringLiteral("\\s%1\\s*=\\s*(\"[^\"]*\"|'[^']*')")
                                          .arg(QRegularExpression::escape(QString::fromUtf8(name))));
    return existing.match(tag);
}

// The attribute's value in a start tag; false when the tag has none.
bool attributeValue(const QByteArray &tag, const QByteArray &name, QByteArray *value)
{
    const QRegularExpressionMatch match = attributeIn(QString::fromUtf8(tag), name);
    if (!match.hasMatch())
        return false;
    *value = match.captured(1).mid(1).chopped(1).toUtf8();
    return true;
}

// xsd:boolean allows both spellings.
QByteArray canonical(const QByteArray &value)
{
    if (value == "true")
        return "1";
    if (value == "false")
        return "0";
    return value;
}

// Sets `attribute` on every `viewName` child of every `groupName` child of the
// root. A view that already says the same (or says nothing, where
// `valueWhenAbsent` is the value) is left as it is.
bool setViewAttribute(const QByteArray &xml, const QByteArray &groupName, const QByteArray &viewName,
                      const QByteArray &attribute, const QByteArray &value, QByteArray *out, QString *error,
                      const QByteArray &valueWhenAbsent = QByteArray())
{
    xml::Element root;
    QList<xml::Element> kids;
    if (!xml::findRoot(xml, &root, error) || !xml::children(xml, root, &kids, error))
        return false;
    QList<xml::Edit> edits;
    for (const xml::Element &group : kids) {
        if (group.localName() != groupName || group.selfClosing)
            continue;
        QList<xml::Element> views;
        if (!xml::children(xml, group, &views, error))
            return false;
        for (const xml::Element &view : views) {
            if (view.localName() != viewName)
                continue;
            const QByteArray tag = xml.mid(view.begin, view.startTagEnd - view.begin);
            QByteArray current;
            if (attributeValue(tag, attribute, &current) ? canonical(current) == canonical(value)
                                                         : (!valueWhenAbsent.isNull() && valueWhenAbsent == value))
                continue;
            edits.append({view.begin, view.startTagEnd, withAttribute(tag, attribute, value)});
        }
    }
    *out = xml::applyEdits(xml, edits);
    return true;
}

// The first sheetView of a worksheet part; false when it has none.
bool firstSheetView(const QByteArray &xml, xml::Element *view, QString *error)
{
    xml::Element root;
    if (!xml::findRoot(xml, &root, error))
        return false;
    const QList<xml::Element> groups = xml::childrenNamed(xml, root, "sheetViews");
    const QList<xml::Element> views = groups.isEmpty() ? QList<xml::Element>() : xml::childrenNamed(xml, groups.first(), "sheetView");
    if (views.isEmpty())
        return false;
    *view = views.first();
    return true;
}

// The pane's first scrollable cell, right below and right of a frozen split.
QByteArray cellAfterSplit(const QByteArray &xml, const xml::Element &pane)
{
    const int columns = qMax(0, int(xml::attribute(xml, pane, "xSplit").toDouble()));
    const int rows = qMax(0, int(xml::attribute(xml, pane, "ySplit").toDouble()));
    const QString column = a1ColumnName(qMin(columns + 1, kSheetColumns));
    return (column + QString::number(rows + 1)).toLatin1();
}

} // namespace

bool readPane(const QByteArray &sheetXml, SheetPane *out)
{
    xml::Element view;
    if (!firstSheetView(sheetXml, &view, nullptr))
        return false;
    const QList<xml::Element> panes = xml::childrenNamed(sheetXml, view, "pane");
    if (panes.isEmpty())
        return false;
    const xml::Element &pane = panes.first();
    const QByteArray prefix = pane.prefix();
    SheetPane result;
    result.pane = xml::unprefixed(sheetXml.mid(pane.begin, pane.end - pane.begin), prefix);
    for (const xml::Element &selection : xml::childrenNamed(sheetXml, view, "selection"))
        result.selections += xml::unprefixed(sheetXml.mid(selection.begin, selection.end - selection.begin), prefix);
    result.splitPane = result.pane;
    result.splitSelection = result.selections;
    const QString state = xml::attribute(sheetXml, pane, "state");
    if (state == QLatin1String("frozen") || state == QLatin1String("frozenSplit")) {
        const QByteArray first = cellAfterSplit(sheetXml, pane);
        const QByteArray startTag = sheetXml.mid(pane.begin, pane.startTagEnd - pane.begin);
        result.splitPane = xml::unprefixed(withAttribute(startTag, "topLeftCell", first), prefix);
        if (!pane.selfClosing)
            result.splitPane += xml::unprefixed(sheetXml.mid(pane.startTagEnd, pane.end - pane.startTagEnd), prefix);
        QString active = xml::attribute(sheetXml, pane, "activePane");
        if (active.isEmpty())
            active = QStringLiteral("topLeft");
        result.splitSelection = "<selection pane=\"" + xml::escapeAttribute(active) + "\" activeCell=\"" + first
                                + "\" sqref=\"" + first + "\"/>";
    }
    *out = result;
    return true;
}

QByteArray withPane(const QByteArray &sheetXml, const SheetPane &pane, bool fromTheSplit)
{
    xml::Element view;
    if (!firstSheetView(sheetXml, &view, nullptr))
        return sheetXml; // no view to give it
    const QByteArray added = fromTheSplit ? pane.splitPane + pane.splitSelection : pane.pane + pane.selections;
    QList<xml::Edit> edits;
    if (view.selfClosing) {
        const QByteArray tag = sheetXml.mid(view.begin, view.startTagEnd - view.begin);
        const QByteArray open = tag.left(tag.lastIndexOf("/>")) + ">";
        edits.append({view.begin, view.end, open + added + "</" + view.qualifiedName + ">"});
    } else {
        // The new pane and selections take the place of the old ones, which
        // lead the view's children.
        QList<xml::Element> old = xml::childrenNamed(sheetXml, view, "pane");
        old += xml::childrenNamed(sheetXml, view, "selection");
        if (old.isEmpty())
            edits.append({view.startTagEnd, view.startTagEnd, added});
        for (int i = 0; i < old.size(); ++i)
            edits.append({old.at(i).begin, old.at(i).end, i == 0 ? added : QByteArray()});
    }
    return xml::applyEdits(sheetXml, edits);
}

QByteArray withAttribute(const QByteArray &tag, const QByteArray &name, const QByteArray &value)
{
    const QString text = QString::fromUtf8(tag);
    const QRegularExpressionMatch match = attributeIn(text, name);
    if (match.hasMatch()) {
        QString replaced = text;
        replaced.replace(match.capturedStart(1), match.capturedLength(1), QLatin1Char('"') + QString::fromUtf8(value) + QLatin1Char('"'));
        return replaced.toUtf8();
    }
    const int close = tag.endsWith("/>") ? tag.size() - 2 : tag.size() - 1;
    return tag.left(close) + ' ' + name + "=\"" + value + '"' + tag.mid(close);
}

bool setActiveTab(const QByteArray &workbookXml, int index, QByteArray *out, QString *error)
{
    return setViewAttribute(workbookXml, "bookViews", "workbookView", "activeTab", QByteArray::number(index), out, error);
}

bool setTabSelected(const QByteArray &sheetXml, bool selected, QByteArray *out, QString *error)
{
    return setViewAttribute(sheetXml, "sheetViews", "sheetView", "tabSelected", selected ? "1" : "0", out, error,
                            QByteArrayLiteral("0"));
}

} // namespace ooxml
