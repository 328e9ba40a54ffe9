#include "DefaultFont.h"

#include "ViewEdits.h"
#include "XmlScan.h"

#include <QSet>

namespace ooxml {

namespace {

// The office's built-in cell styles (Comma, Currency, Percent) bring these.
const char kOfficeStyleFont[] = "Arial";
const char kExcelDefaultFont[] = "Calibri";

QList<xml::Element> fontsOf(const QByteArray &xml, const xml::Element &root)
{
    QList<xml::Element> fonts;
    for (const xml::Element &group : xml::childrenNamed(xml, root, "fonts"))
        fonts += xml::childrenNamed(xml, group, "font");
    return fonts;
}

// The font's <name> element, if it has one.
bool nameOf(const QByteArray &xml, const xml::Element &font, xml::Element *name)
{
    const QList<xml::Element> names = xml::childrenNamed(xml, font, "name");
    if (names.isEmpty())
        return false;
    *name = names.first();
    return true;
}

} // namespace

bool restoreDefaultFont(const QByteArray &sourceStyles, const QByteArray &resultStyles, QByteArray *out,
                        QString *error)
{
    *out = resultStyles;
    QSet<QString> named{QLatin1String(kOfficeStyleFont)};
    QString fallback = QLatin1String(kExcelDefaultFont);
    xml::Element sourceRoot;
    if (!sourceStyles.isEmpty()) {
        if (!xml::findRoot(sourceStyles, &sourceRoot, nullptr))
            return true; // nothing to go by
        bool first = true;
        for (const xml::Element &font : fontsOf(sourceStyles, sourceRoot)) {
            xml::Element name;
            const QString value = nameOf(sourceStyles, font, &name) ? xml::attribute(sourceStyles, name, "val") : QString();
            if (!value.isEmpty())
                named << value;
            if (first && !value.isEmpty())
                fallback = value;
            first = false;
        }
    }
    xml::Element root;
    if (!xml::findRoot(resultStyles, &root, error))
        return false;
    QList<xml::Edit> edits;
    for (const xml::Element &font : fontsOf(resultStyles, root)) {
        xml::Element name;
        if (!nameOf(resultStyles, font, &name) || named.contains(xml::attribute(resultStyles, name, "val")))
            continue;
        const QByteArray tag = resultStyles.mid(name.begin, name.startTagEnd - name.begin);
        edits.append({name.begin, name.startTagEnd, withAttribute(tag, "val", xml::escapeAttribute(fallback))});
    }
    *out = xml::applyEdits(resultStyles, edits);
    return true;
}

} // namespace ooxml
