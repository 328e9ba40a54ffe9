#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// What an update changed, told in lines before the job's success text:
// records added, moved to another category, and gone; categories added and
// removed. `before` maps each record's key to the category sheet it stood on
// in the earlier result; `now` holds every record's key and its category
// sheet in summary order. Nothing when nothing changed but values.
QStringList updateReport(const QHash<QString, QString> &before, const QList<QPair<QString, QString>> &now);
