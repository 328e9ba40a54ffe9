#include "ViewEdits.h"

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

} // namespace

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
