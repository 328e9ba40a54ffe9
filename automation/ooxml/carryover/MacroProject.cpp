#include "MacroProject.h"

#include "PackageParts.h"
#include "XmlScan.h"
#include "ZipPackage.h"

namespace ooxml {

namespace {

const char kVbaProjectType[] = "/vbaProject";
const char kContentTypesPart[] = "[Content_Types].xml";

// The content type an Override gives `part`; null when none does.
QString overrideFor(const QByteArray &contentTypes, const QString &part)
{
    xml::Element root;
    if (!xml::findRoot(contentTypes, &root, nullptr))
        return QString();
    for (const xml::Element &entry : xml::childrenNamed(contentTypes, root, "Override"))
        if (xml::attribute(contentTypes, entry, "PartName").compare(QLatin1Char('/') + part, Qt::CaseInsensitive) == 0)
            return xml::attribute(contentTypes, entry, "ContentType");
    return QString();
}

// The content type of `part`: its Override, else the default of its extension.
QString contentTypeOf(const QByteArray &contentTypes, const QString &part)
{
    const QString given = overrideFor(contentTypes, part);
    xml::Element root;
    if (!given.isNull() || !xml::findRoot(contentTypes, &root, nullptr))
        return given;
    const QString extension = part.section(QLatin1Char('.'), -1);
    for (const xml::Element &entry : xml::childrenNamed(contentTypes, root, "Default"))
        if (xml::attribute(contentTypes, entry, "Extension").compare(extension, Qt::CaseInsensitive) == 0)
            return xml::attribute(contentTypes, entry, "ContentType");
    return QString();
}

// The content types part with an Override for `part`, unless it has one.
QByteArray withOverride(const QByteArray &contentTypes, const QString &part, const QString &type)
{
    if (type.isEmpty() || !overrideFor(contentTypes, part).isNull())
        return contentTypes;
    xml::Element root;
    if (!xml::findRoot(contentTypes, &root, nullptr) || root.selfClosing)
        return contentTypes;
    const QByteArray entry = "<Override PartName=\"" + xml::escapeAttribute(QLatin1Char('/') + part)
                             + "\" ContentType=\"" + xml::escapeAttribute(type) + "\"/>";
    return xml::applyEdits(contentTypes, {{root.contentEnd, root.contentEnd, entry}});
}

} // namespace

bool carryMacroProject(const ZipPackage &source, const QString &sourceWorkbookPart,
                       const ZipPackage &result, const QString &resultWorkbookPart,
                       QHash<QString, QByteArray> *replaced, bool *carried, QString *error)
{
    *carried = false;
    QString sourceProject;
    QString resultProject;
    if (!findRelatedPart(source, sourceWorkbookPart, QLatin1String(kVbaProjectType), &sourceProject)
        || !findRelatedPart(result, resultWorkbookPart, QLatin1String(kVbaProjectType), &resultProject))
        return true;
    QByteArray project;
    if (!source.read(sourceProject, &project, error))
        return false;
    QHash<QString, QByteArray> parts;
    parts.insert(resultProject, project);

    // The project's signatures hang off its own relationships part; they go
    // beside the result's project under the same relative names.
    const QString sourceRels = relationshipsPartName(sourceProject);
    QByteArray relsXml;
    QList<Relationship> relationships;
    if (source.contains(sourceRels)) {
        if (!source.read(sourceRels, &relsXml, error) || !parseRelationships(relsXml, &relationships, error))
            return false;
        QByteArray contentTypes;
        if (!result.read(QLatin1String(kContentTypesPart), &contentTypes, error))
            return false;
        QByteArray sourceTypes;
        source.read(QLatin1String(kContentTypesPart), &sourceTypes, nullptr);
        for (const Relationship &r : relationships) {
            const QString from = r.external ? QString() : resolvePartName(sourceProject, r.target);
            const QString to = r.external ? QString() : resolvePartName(resultProject, r.target);
            if (from.isEmpty() || to.isEmpty() || !source.contains(from))
                continue;
            QByteArray signature;
            if (!source.read(from, &signature, error))
                return false;
            parts.insert(to, signature);
            contentTypes = withOverride(contentTypes, to, contentTypeOf(sourceTypes, from));
        }
        parts.insert(relationshipsPartName(resultProject), relsXml);
        parts.insert(QLatin1String(kContentTypesPart), contentTypes);
    }
    for (auto it = parts.cbegin(); it != parts.cend(); ++it)
        replaced->insert(it.key(), it.value());
    *carried = true;
    return true;
}

} // namespace ooxml
