#include "TableStyles.h"

#include "PackageParts.h"
#include "XmlScan.h"
#include "ZipPackage.h"

#include <QRegularExpression>

namespace ooxml {

namespace {

// Each table part of every sheet of a package, by its name in lower case.
bool tableParts(const ZipPackage &package, const QString &workbookPart, const QHash<QString, QByteArray> &replaced,
                QHash<QString, QString> *parts, QString *error)
{
    QByteArray workbookXml;
    QList<SheetEntry> sheets;
    if (!readEditedPart(package, replaced, workbookPart, &workbookXml, error)
        || !parseWorkbookSheets(workbookXml, &sheets, error))
        return false;
    for (const SheetEntry &sheet : sheets) {
        QString sheetPart;
        QByteArray relsXml;
        QList<Relationship> rels;
        if (!findWorksheetPart(package, workbookPart, workbookXml, sheet.name, &sheetPart, nullptr)
            || !package.contains(relationshipsPartName(sheetPart))
            || !package.read(relationshipsPartName(sheetPart), &relsXml, nullptr)
            || !parseRelationships(relsXml, &rels, nullptr))
            continue;
        for (const Relationship &rel : rels) {
            if (rel.external || !rel.type.endsWith(QLatin1String("/table")))
                continue;
            const QString part = resolvePartName(sheetPart, rel.target);
            QByteArray xml;
            xml::Element root;
            if (part.isEmpty() || !readEditedPart(package, replaced, part, &xml, nullptr)
                || !xml::findRoot(xml, &root, nullptr))
                continue;
            QString name = xml::attribute(xml, root, "displayName");
            if (name.isNull())
                name = xml::attribute(xml, root, "name");
            if (!name.isEmpty())
                parts->insert(name.toLower(), part);
        }
    }
    return true;
}

QByteArray styleInfoOf(const QByteArray &tableXml)
{
    xml::Element root;
    if (!xml::findRoot(tableXml, &root, nullptr))
        return QByteArray();
    const QList<xml::Element> info = xml::childrenNamed(tableXml, root, "tableStyleInfo");
    if (info.isEmpty())
        return QByteArray();
    return xml::unprefixed(tableXml.mid(info.first().begin, info.first().end - info.first().begin),
                           root.prefix());
}

} // namespace

QString tableOrigin(const QString &name, const QList<QString> &known)
{
    static const QRegularExpression copyEnding(QStringLiteral("_\\d+$"));
    QString candidate = name.toLower();
    if (known.contains(candidate))
        return candidate;
    candidate.remove(copyEnding);
    return known.contains(candidate) ? candidate : QString();
}

QByteArray withTableStyle(const QByteArray &tableXml, const QByteArray &styleInfo, QString *error)
{
    xml::Element root;
    QList<xml::Element> kids;
    if (!xml::findRoot(tableXml, &root, error) || !xml::children(tableXml, root, &kids, error))
        return tableXml;
    if (!xml::childrenNamed(tableXml, root, "tableStyleInfo").isEmpty() || root.selfClosing)
        return tableXml;
    static const QList<QByteArray> order{"autoFilter", "sortState", "tableColumns", "tableStyleInfo", "extLst"};
    const int at = xml::schemaInsertionPoint(root, kids, order, "tableStyleInfo");
    QByteArray element = styleInfo;
    if (!root.prefix().isEmpty())
        element.replace("<tableStyleInfo", "<" + root.prefix() + ":tableStyleInfo");
    return xml::applyEdits(tableXml, {{at, at, element}});
}

bool carryTableStyles(const ZipPackage &source, const QString &sourceWorkbookPart, const ZipPackage &result,
                      const QString &resultWorkbookPart, QHash<QString, QByteArray> *replaced, QString *error)
{
    QHash<QString, QString> sourceTables;
    if (!tableParts(source, sourceWorkbookPart, {}, &sourceTables, nullptr) || sourceTables.isEmpty())
        return true;
    QHash<QString, QByteArray> styles;
    for (auto it = sourceTables.cbegin(); it != sourceTables.cend(); ++it) {
        QByteArray xml;
        if (source.read(it.value(), &xml, nullptr)) {
            const QByteArray info = styleInfoOf(xml);
            if (!info.isEmpty())
                styles.insert(it.key(), info);
        }
    }
    if (styles.isEmpty())
        return true;
    QHash<QString, QString> resultTables;
    if (!tableParts(result, resultWorkbookPart, *replaced, &resultTables, error))
        return false;
    const QList<QString> known = styles.keys();
    for (auto it = resultTables.cbegin(); it != resultTables.cend(); ++it) {
        const QString origin = tableOrigin(it.key(), known);
        if (origin.isEmpty())
            continue;
        QByteArray xml;
        if (!readEditedPart(result, *replaced, it.value(), &xml, error))
            return false;
        const QByteArray edited = withTableStyle(xml, styles.value(origin), error);
        if (edited != xml)
            replaced->insert(it.value(), edited);
    }
    return true;
}

} // namespace ooxml
