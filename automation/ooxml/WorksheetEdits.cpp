#include "WorksheetEdits.h"

#include "XmlScan.h"

namespace ooxml {

const QList<QByteArray> &worksheetChildOrder()
{
    static const QList<QByteArray> order = {
        "sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetCalcPr",
        "sheetProtection", "protectedRanges", "scenarios", "autoFilter", "sortState",
        "dataConsolidate", "customSheetViews", "mergeCells", "phoneticPr", "conditionalFormatting",
        "dataValidations", "hyperlinks", "printOptions", "pageMargins", "pageSetup", "headerFooter",
        "rowBreaks", "colBreaks", "customProperties", "cellWatches", "ignoredErrors", "smartTags",
        "drawing", "legacyDrawing", "legacyDrawingHF", "drawingHF", "picture", "oleObjects",
        "controls", "webPublishItems", "tableParts", "extLst",
    };
    return order;
}

bool addProtectedRanges(const QByteArray &sheetXml, const QList<RangeEntry> &ranges,
                        QByteArray *out, QString *error)
{
    xml::Element root;
    QList<xml::Element> kids;
    if (!xml::findRoot(sheetXml, &root, error) || !xml::children(sheetXml, root, &kids, error))
        return false;
    if (root.localName() != "worksheet" || root.selfClosing) {
        if (error)
            *error = QStringLiteral("the sheet part has no worksheet element");
        return false;
    }

    const QByteArray prefix = root.prefix().isEmpty() ? QByteArray() : root.prefix() + ':';
    QByteArray entries;
    for (const RangeEntry &range : ranges) {
        entries += '<' + prefix + "protectedRange name=\"" + xml::escapeAttribute(range.name)
                   + "\" sqref=\"" + xml::escapeAttribute(range.sqref) + "\"/>";
    }

    const xml::Element *existing = nullptr;
    for (const xml::Element &child : kids) {
        if (child.prefix() == root.prefix() && child.localName() == "protectedRanges") {
            existing = &child;
            break;
        }
    }

    QList<xml::Edit> edits;
    if (!existing) {
        const int at = xml::schemaInsertionPoint(root, kids, worksheetChildOrder(), "protectedRanges");
        edits.append({at, at, '<' + prefix + "protectedRanges>" + entries + "</" + prefix + "protectedRanges>"});
    } else if (existing->selfClosing) {
        QByteArray startTag = sheetXml.mid(existing->begin, existing->startTagEnd - existing->begin);
        startTag.chop(2);   // "/>"
        edits.append({existing->begin, existing->end,
                      startTag + '>' + entries + "</" + existing->qualifiedName + '>'});
    } else {
        QList<xml::Element> current;
        if (!xml::children(sheetXml, *existing, &current, error))
            return false;
        for (const xml::Element &range : current) {
            const QString name = xml::attribute(sheetXml, range, "name");
            for (const RangeEntry &entry : ranges) {
                if (name.compare(entry.name, Qt::CaseInsensitive) == 0) {
                    edits.append({range.begin, range.end, {}});
                    break;
                }
            }
        }
        edits.append({existing->contentEnd, existing->contentEnd, entries});
    }
    *out = xml::applyEdits(sheetXml, edits);
    return true;
}

} // namespace ooxml
