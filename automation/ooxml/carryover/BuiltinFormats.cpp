#include "BuiltinFormats.h"

#include "ViewEdits.h"
#include "XmlScan.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace ooxml {

namespace {

constexpr int kShortDate = 14;
constexpr int kShortDateTime = 22;

// A format code compared without case, escapes and quotes.
QString normalized(const QString &code)
{
    QString out = code.toLower();
    out.remove(QLatin1Char('\\'));
    out.remove(QLatin1Char('"'));
    return out;
}

// How the office writes the locale's short date in the locales it is run in.
const QStringList &shortDateCodes()
{
    static const QStringList codes{
        QStringLiteral("m/d/yyyy"), QStringLiteral("m/d/yy"), QStringLiteral("mm/dd/yy"), QStringLiteral("mm/dd/yyyy"),
        QStringLiteral("d/m/yyyy"), QStringLiteral("dd/mm/yyyy"), QStringLiteral("dd/mm/yy"), QStringLiteral("yyyy/m/d"),
        QStringLiteral("yyyy/mm/dd"), QStringLiteral("yyyy-mm-dd"), QStringLiteral("yyyy-m-d"), QStringLiteral("dd.mm.yyyy"),
        QStringLiteral("d.m.yyyy"), QStringLiteral("dd.mm.yy")};
    return codes;
}

bool isOfficeCodeFor(int builtin, const QString &code)
{
    const QString n = normalized(code);
    for (const QString &date : shortDateCodes()) {
        if (builtin == kShortDate && n == date)
            return true;
        if (builtin == kShortDateTime && (n == date + QLatin1String(" h:mm") || n == date + QLatin1String(" hh:mm")))
            return true;
    }
    return false;
}

// The xf elements of the cell and cell style format lists.
QList<xml::Element> formatRecords(const QByteArray &xml, const xml::Element &root)
{
    QList<xml::Element> records;
    for (const char *list : {"cellStyleXfs", "cellXfs"})
        for (const xml::Element &group : xml::childrenNamed(xml, root, list))
            records += xml::childrenNamed(xml, group, "xf");
    return records;
}

// Format id -> code, for the formats the part defines itself.
QHash<int, QString> ownFormats(const QByteArray &xml, const xml::Element &root)
{
    QHash<int, QString> formats;
    for (const xml::Element &group : xml::childrenNamed(xml, root, "numFmts"))
        for (const xml::Element &format : xml::childrenNamed(xml, group, "numFmt"))
            formats.insert(xml::attribute(xml, format, "numFmtId").toInt(), xml::attribute(xml, format, "formatCode"));
    return formats;
}

} // namespace

bool restoreBuiltinDateFormats(const QByteArray &sourceStyles, const QByteArray &resultStyles, QByteArray *out,
                               QString *error)
{
    *out = resultStyles;
    xml::Element sourceRoot;
    if (!xml::findRoot(sourceStyles, &sourceRoot, nullptr))
        return true;
    QSet<int> used;
    for (const xml::Element &xf : formatRecords(sourceStyles, sourceRoot))
        used << xml::attribute(sourceStyles, xf, "numFmtId").toInt();
    QSet<QString> sourceCodes;
    for (const QString &code : ownFormats(sourceStyles, sourceRoot))
        sourceCodes << normalized(code);

    xml::Element root;
    if (!xml::findRoot(resultStyles, &root, error))
        return false;
    // The result's format id -> the built-in format it stands for.
    QHash<int, int> builtinFor;
    const QHash<int, QString> resultFormats = ownFormats(resultStyles, root);
    for (auto it = resultFormats.cbegin(); it != resultFormats.cend(); ++it) {
        if (sourceCodes.contains(normalized(it.value())))
            continue;
        for (const int builtin : {kShortDate, kShortDateTime})
            if (used.contains(builtin) && isOfficeCodeFor(builtin, it.value()))
                builtinFor.insert(it.key(), builtin);
    }
    if (builtinFor.isEmpty())
        return true;
    QList<xml::Edit> edits;
    for (const xml::Element &xf : formatRecords(resultStyles, root)) {
        const int id = xml::attribute(resultStyles, xf, "numFmtId").toInt();
        if (!builtinFor.contains(id))
            continue;
        const QByteArray tag = resultStyles.mid(xf.begin, xf.startTagEnd - xf.begin);
        edits.append({xf.begin, xf.startTagEnd, withAttribute(tag, "numFmtId", QByteArray::number(builtinFor.value(id)))});
    }
    *out = xml::applyEdits(resultStyles, edits);
    return true;
}

} // namespace ooxml
