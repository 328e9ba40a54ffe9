#include "WorkbookEdits.h"

#include "XmlScan.h"

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

} // namespace ooxml
