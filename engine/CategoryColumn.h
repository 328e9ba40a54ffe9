#pragma once

#include "JobState.h"
#include "Outcome.h"

#include <QStringList>

// Reading the category column of the summary and turning its values into
// the categories, each with the name of the sheet it gets.

Outcome readCategoryColumn(JobState &job);
// A category cell merged over several rows names the category of rows whose
// own cells are empty: refused, with the merged block named.
Outcome checkMergedCategoryCells(JobState &job);
// Names every category's sheet; refuses the job when there is none.
Outcome planCategories(JobState &job);

// Distinct values in order of first appearance, the empty text dropped.
QStringList cleanCategoryNames(const QStringList &values);

// The name of a category's sheet: the value as its cell shows it, made a
// valid sheet name, "分类" when nothing is left, and unique among `taken`
// (keys of sheetNameKey).
QString categorySheetName(const QString &shown, bool plainText, const QStringList &taken);
