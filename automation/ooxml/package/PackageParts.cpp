#include "PackageParts.h"

#include "ReadFailure.h"

#include "ZipPackage.h"

#include <QStringList>
#include <QUrl>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

namespace ooxml {

namespace {

using readers::fail;

using XmlDoc = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

XmlDoc parse(const QByteArray &data)
{
    xmlInitParser();
    // No network, no entity substitution, no DTD loading: the parts are data, not documents to expand.
    return XmlDoc(xmlReadMemory(data.constData(), data.size(), "part.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
                  &xmlFreeDoc);
}

QString text(const xmlChar *value)
{
    return value ? QString::fromUtf8(reinterpret_cast<const char *>(value)) : QString();
}

bool named(const xmlNode *node, const char *localName)
{
    return node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, BAD_CAST localName) == 0;
}

// An attribute by local name, whatever namespace it has; with `namespaceSuffix`
// only one whose namespace URI ends that way.
QString attr(const xmlNode *node, const char *localName, const char *namespaceSuffix = nullptr)
{
    for (const xmlAttr *a = node->properties; a; a = a->next) {
        if (xmlStrcmp(a->name, BAD_CAST localName) != 0)
            continue;
        if (namespaceSuffix) {
            if (!a->ns || !a->ns->href)
                continue;
            const QString href = text(a->ns->href);
            if (!href.endsWith(QLatin1String(namespaceSuffix)))
                continue;
        } else if (a->ns) {
            continue;
        }
        xmlChar *value = xmlNodeListGetString(a->doc, a->children, 1);
        const QString result = value ? text(value) : QStringLiteral("");
        xmlFree(value);
        return result;
    }
    return {};
}

} // namespace

QString resolvePartName(const QString &sourcePart, const QString &target)
{
    QString path = QUrl::fromPercentEncoding(target.toUtf8());
    if (path.isEmpty() || path.contains(QLatin1String("://")))
        return {};
    QStringList segments;
    if (!path.startsWith(QLatin1Char('/'))) {
        segments = sourcePart.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (!segments.isEmpty())
            segments.removeLast();   // the source part's own name
    }
    for (const QString &segment : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String("."))
            continue;
        if (segment == QLatin1String("..")) {
            if (segments.isEmpty())
                return {};
            segments.removeLast();
            continue;
        }
        segments << segment;
    }
    return segments.join(QLatin1Char('/'));
}

QString relationshipsPartName(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : part.left(slash + 1);
    return folder + QLatin1String("_rels/") + part.mid(slash + 1) + QLatin1String(".rels");
}

bool parseRelationships(const QByteArray &relsXml, QList<Relationship> *out, QString *error)
{
    const XmlDoc doc = parse(relsXml);
    const xmlNode *root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root || !named(root, "Relationships"))
        return fail(error, QStringLiteral("malformed relationships part"));
    out->clear();
    for (const xmlNode *n = root->children; n; n = n->next) {
        if (!named(n, "Relationship"))
            continue;
        Relationship r;
        r.id = attr(n, "Id");
        r.type = attr(n, "Type");
        r.target = attr(n, "Target");
        r.external = attr(n, "TargetMode") == QLatin1String("External");
        out->append(r);
    }
    return true;
}

bool parseWorkbookSheets(const QByteArray &workbookXml, QList<SheetEntry> *out, QString *error)
{
    const XmlDoc doc = parse(workbookXml);
    const xmlNode *root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root || !named(root, "workbook"))
        return fail(error, QStringLiteral("malformed workbook part"));
    out->clear();
    for (const xmlNode *n = root->children; n; n = n->next) {
        if (!named(n, "sheets"))
            continue;
        for (const xmlNode *s = n->children; s; s = s->next) {
            if (named(s, "sheet"))
                out->append({attr(s, "name"), attr(s, "id", "relationships")});
        }
    }
    return true;
}

bool findWorkbookPart(const ZipPackage &package, QString *partName, QString *error)
{
    QByteArray rels;
    QList<Relationship> relationships;
    if (package.read(QStringLiteral("_rels/.rels"), &rels, nullptr)
        && parseRelationships(rels, &relationships, nullptr)) {
        for (const Relationship &r : relationships) {
            if (!r.external && r.type.endsWith(QLatin1String("/officeDocument"))) {
                const QString part = resolvePartName(QString(), r.target);
                if (!part.isEmpty() && package.contains(part)) {
                    *partName = part;
                    return true;
                }
            }
        }
    }
    if (package.contains(QStringLiteral("xl/workbook.xml"))) {
        *partName = QStringLiteral("xl/workbook.xml");
        return true;
    }
    return fail(error, QStringLiteral("the package holds no workbook"));
}

bool findWorksheetPart(const ZipPackage &package, const QString &workbookPart,
                       const QByteArray &workbookXml, const QString &sheetName,
                       QString *partName, QString *error)
{
    QList<SheetEntry> sheets;
    if (!parseWorkbookSheets(workbookXml, &sheets, error))
        return false;
    const SheetEntry *found = nullptr;
    for (const SheetEntry &s : sheets)
        if (s.name == sheetName && !found)
            found = &s;
    for (const SheetEntry &s : sheets)
        if (!found && s.name.compare(sheetName, Qt::CaseInsensitive) == 0)
            found = &s;
    if (!found)
        return fail(error, QStringLiteral("the workbook has no sheet named \"%1\"").arg(sheetName));

    QByteArray relsXml;
    QList<Relationship> relationships;
    if (!package.read(relationshipsPartName(workbookPart), &relsXml, error)
        || !parseRelationships(relsXml, &relationships, error))
        return false;
    for (const Relationship &r : relationships) {
        if (r.id != found->relationshipId || r.external)
            continue;
        if (!r.type.endsWith(QLatin1String("/worksheet")))
            return fail(error, QStringLiteral("sheet \"%1\" is not a worksheet").arg(sheetName));
        const QString part = resolvePartName(workbookPart, r.target);
        if (part.isEmpty() || !package.contains(part))
            return fail(error, QStringLiteral("the part of sheet \"%1\" is missing").arg(sheetName));
        *partName = part;
        return true;
    }
    return fail(error, QStringLiteral("sheet \"%1\" has no part").arg(sheetName));
}

bool findRelatedPart(const ZipPackage &package, const QString &part, const QString &typeSuffix, QString *related)
{
    QByteArray relsXml;
    QList<Relationship> relationships;
    const QString relsPart = relationshipsPartName(part);
    if (!package.contains(relsPart) || !package.read(relsPart, &relsXml, nullptr)
        || !parseRelationships(relsXml, &relationships, nullptr))
        return false;
    for (const Relationship &r : relationships) {
        if (r.external || !r.type.endsWith(typeSuffix))
            continue;
        const QString name = resolvePartName(part, r.target);
        if (name.isEmpty() || !package.contains(name))
            continue;
        *related = name;
        return true;
    }
    return false;
}

bool readEditedPart(const ZipPackage &package, const QHash<QString, QByteArray> &replaced, const QString &part,
                    QByteArray *out, QString *error)
{
    const auto edited = replaced.constFind(part);
    if (edited != replaced.cend()) {
        *out = edited.value();
        return true;
    }
    return package.read(part, out, error);
}

} // namespace ooxml
