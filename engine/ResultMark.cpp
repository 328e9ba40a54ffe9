#include "ResultMark.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace {

constexpr int kPropertyText = 255;

QString jobName(ResultMark::Job job) { return job == ResultMark::Job::Classify ? "classify" : "link"; }

} // namespace

QString markPropertyPrefix() { return QStringLiteral("Sheetsplicer "); }

QList<QPair<QString, QString>> markProperties(const ResultMark &mark)
{
    QJsonObject object{
        {"job", jobName(mark.job)},
        {"summary", mark.summarySheet},
        {"column", mark.classifyColumn},
        {"headerRows", mark.headerRows ? QJsonValue(*mark.headerRows) : QJsonValue()},
        {"editRange", mark.editRange},
        {"matchColumn", mark.lookupColumn},
        {"sheets", QJsonArray::fromStringList(mark.madeSheets)},
    };
    const QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    QList<QPair<QString, QString>> properties;
    for (int at = 0, n = 1; at < text.size(); at += kPropertyText, ++n)
        properties.append({markPropertyPrefix() + QString::number(n), text.mid(at, kPropertyText)});
    return properties;
}

std::optional<ResultMark> readMark(const QList<QPair<QString, QString>> &properties)
{
    QMap<int, QString> parts;
    for (const auto &property : properties) {
        if (!property.first.startsWith(markPropertyPrefix()))
            continue;
        bool number = false;
        const int n = property.first.mid(markPropertyPrefix().size()).toInt(&number);
        if (number && n > 0)
            parts.insert(n, property.second);
    }
    if (parts.isEmpty() || parts.firstKey() != 1 || parts.lastKey() != parts.size())
        return std::nullopt;
    QString text;
    for (const QString &part : parts)
        text += part;
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    const QString job = object.value("job").toString();
    if (job != jobName(ResultMark::Job::Classify) && job != jobName(ResultMark::Job::Link))
        return std::nullopt;
    ResultMark mark;
    mark.job = job == jobName(ResultMark::Job::Classify) ? ResultMark::Job::Classify : ResultMark::Job::Link;
    mark.summarySheet = object.value("summary").toString();
    mark.classifyColumn = object.value("column").toInt(1);
    if (object.value("headerRows").isDouble())
        mark.headerRows = object.value("headerRows").toInt();
    mark.editRange = object.value("editRange").toString();
    mark.lookupColumn = object.value("matchColumn").toInt(1);
    for (const QJsonValue &sheet : object.value("sheets").toArray())
        mark.madeSheets << sheet.toString();
    if (mark.summarySheet.isEmpty())
        return std::nullopt;
    return mark;
}
