#include "CategoryFileNames.h"

#include "SheetNames.h"

#include <QRegularExpression>

namespace {

QString fileSafe(const QString &sheetName)
{
    QString name;
    for (const QChar c : sheetName)
        name += (c.unicode() < 0x20 || QStringLiteral("<>\"|:/\\?*").contains(c)) ? QLatin1Char('_') : c;
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    // Windows keeps these for devices, with any ending.
    static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (device.match(name).hasMatch())
        name.prepend(QLatin1Char('_'));
    return name.isEmpty() ? QString::fromUtf8("分类") : name;
}

} // namespace

QStringList categoryFileNames(const QStringList &sheetNames)
{
    QStringList names;
    QStringList taken;
    for (const QString &sheet : sheetNames) {
        const QString name = uniqueSheetName(fileSafe(sheet), taken);
        taken << sheetNameKey(name);
        names << name;
    }
    return names;
}

QString freeFolderName(const QString &base, const std::function<bool(const QString &)> &exists)
{
    QString name = base;
    for (int n = 2; exists(name); ++n)
        name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    return name;
}
