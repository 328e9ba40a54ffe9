#pragma once

#include <QString>

#include <optional>

// The criterion of an AutoFilter that hides the rows holding one value:
// "<>" and the value, its "*", "?" and "~" escaped with "~" so the filter
// takes them as themselves and not as wildcards.
QString excludingCriterion(const QString &value);

// The value such a criterion hides, unescaped; none for any other criterion.
std::optional<QString> excludedValue(const QString &criterion);
