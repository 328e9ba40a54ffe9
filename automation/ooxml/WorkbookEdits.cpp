#include "WorkbookEdits.h"

#include "ViewEdits.h"
#include "XmlScan.h"

#include <QSet>

namespace ooxml {

const QList<QByteArray> &workbookChildOrder()
{
    static const QList<QByteArray> order = {
        "fileVersion", "fileSharing", "workbookPr", "workbookProtection", "bookViews", "sheets",
        "functionGroups", "externalReferences", "definedNames", "calcPr", "oleSize",
        "customWorkbookViews", "pivotCaches", "smartTagPr", "smartTagTypes", "webPublishing",
        "fileRecoveryPr", "webPublishObjects", "extLst",
    };
    return order;
}

bool lockWorkbookStructure(const QByteArray &workbookXml, const ProtectionHash *hash,
                           QByteArray *out, QString *error)
{
    xml::Element root;
    QList<xml::Element> kids;
    if (!xml::findRoot(workbookXml, &root, error) || !xml::children(workbookXml, root, &kids, error))
        return false;
    if (root.localName() != "workbook" || root.selfClosing) {
        if (error)
            *error = QStringLiteral("the workbook part has no workbook element");
        return false;
    }

    const QByteArray prefix = root.prefix().isEmpty() ? QByteArray() : root.prefix() + ':';
    QByteArray element = '<' + prefix + "workbookProtection";
    if (hash) {
        element += " workbookAlgorithmName=\"" + xml::escapeAttribute(hash->algorithmName) + '"';
        element += " workbookHashValue=\"" + xml::escapeAttribute(hash->hashValue) + '"';
        element += " workbookSaltValue=\"" + xml::escapeAttribute(hash->saltValue) + '"';
        element += " workbookSpinCount=\"" + QByteArray::number(hash->spinCount) + '"';
    }
    element += " lockStructure=\"1\"/>";

    QList<xml::Edit> edits;
    for (const xml::Element &child : kids)
        if (child.prefix() == root.prefix() && child.localName() == "workbookProtection")
            edits.append({child.begin, child.end, {}});
    const int at = xml::schemaInsertionPoint(root, kids, workbookChildOrder(), "workbookProtection");
    edits.append({at, at, element});
    *out = xml::applyEdits(workbookXml, edits);
    return true;
}

QByteArray withoutBrokenLocalNames(const QByteArray &workbookXml, const QSet<int> &positions)
{
    xml::Element root;
    if (positions.isEmpty() || !xml::findRoot(workbookXml, &root, nullptr))
        return workbookXml;
    QList<xml::Edit> edits;
    for (const xml::Element &group : xml::childrenNamed(workbookXml, root, "definedNames")) {
        const QList<xml::Element> names = xml::childrenNamed(workbookXml, group, "definedName");
        int dropped = 0;
        for (const xml::Element &name : names) {
            const QString scope = xml::attribute(workbookXml, name, "localSheetId");
            if (scope.isNull() || !positions.contains(scope.toInt())
                || !xml::innerText(workbookXml, name).contains(QLatin1String("#REF!")))
                continue;
            edits.append({name.begin, name.end, {}});
            ++dropped;
        }
        // An emptied list goes as a whole.
        if (dropped > 0 && dropped == names.size()) {
            edits.erase(edits.end() - dropped, edits.end());
            edits.append({group.begin, group.end, {}});
        }
    }
    return xml::applyEdits(workbookXml, edits);
}

QByteArray withFullCalculationOnLoad(const QByteArray &workbookXml)
{
    xml::Element root;
    QList<xml::Element> kids;
    if (!xml::findRoot(workbookXml, &root, nullptr) || root.selfClosing || !xml::children(workbookXml, root, &kids, nullptr))
        return workbookXml;
    for (const xml::Element &child : kids) {
        if (child.prefix() != root.prefix() || child.localName() != "calcPr")
            continue;
        const QByteArray tag = workbookXml.mid(child.begin, child.startTagEnd - child.begin);
        return xml::applyEdits(workbookXml, {{child.begin, child.startTagEnd, withAttribute(tag, "fullCalcOnLoad", "1")}});
    }
    const QByteArray prefix = root.prefix().isEmpty() ? QByteArray() : root.prefix() + ':';
    const int at = xml::schemaInsertionPoint(root, kids, workbookChildOrder(), "calcPr");
    return xml::applyEdits(workbookXml, {{at, at, '<' + prefix + "calcPr fullCalcOnLoad=\"1\"/>"}});
}

} // namespace ooxml
