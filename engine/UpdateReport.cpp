#include "UpdateReport.h"

#include <QSet>

namespace {

// "3 条(K008、K009、K010 等)": a count and the first few keys or names.
QString counted(const QStringList &items, const QString &unit)
{
    const int shown = 3;
    QString text = QString::number(items.size()) + unit + QString::fromUtf8("(")
        + items.mid(0, shown).join(QString::fromUtf8("、"));
    if (items.size() > shown)
        text += QString::fromUtf8(" 等");
    return text + QString::fromUtf8(")");
}

} // namespace

QStringList updateReport(const QHash<QString, QString> &before, const QList<QPair<QString, QString>> &now)
{
    QStringList added, moved, gone, newCategories, oldCategories;
    QSet<QString> keysNow, sheetsNow, sheetsBefore;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        sheetsBefore << it.value();
    for (const auto &record : now) {
        keysNow << record.first;
        if (!sheetsBefore.contains(record.second) && !sheetsNow.contains(record.second))
            newCategories << record.second;
        sheetsNow << record.second;
        const auto earlier = before.constFind(record.first);
        if (earlier == before.cend())
            added << record.first;
        else if (earlier.value() != record.second)
            moved << record.first;
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!keysNow.contains(it.key()))
            gone << it.key();
        if (!sheetsNow.contains(it.value()) && !oldCategories.contains(it.value()))
            oldCategories << it.value();
    }
    gone.sort();
    oldCategories.sort();
    QStringList lines;
    if (!added.isEmpty())
        lines << QString::fromUtf8("新增记录 ") + counted(added, QString::fromUtf8(" 条"));
    if (!moved.isEmpty())
        lines << QString::fromUtf8("改变分类的记录 ") + counted(moved, QString::fromUtf8(" 条"));
    if (!gone.isEmpty())
        lines << QString::fromUtf8("不再有的记录 ") + counted(gone, QString::fromUtf8(" 条"));
    if (!newCategories.isEmpty())
        lines << QString::fromUtf8("新增分类 ") + counted(newCategories, QString::fromUtf8(" 个"));
    if (!oldCategories.isEmpty())
        lines << QString::fromUtf8("删除分类 ") + counted(oldCategories, QString::fromUtf8(" 个"));
    return lines;
}
