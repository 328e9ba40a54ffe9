#pragma once

#include <QStringList>

#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include <functional>

// Runs `edit` on `sheet`, its protection lifted for the time by the first of
// `passwords` that lifts it and put back with the same password (the office
// keeps the protection's options). False, without running `edit`, when none
// of them lifts it.
bool editUnlocked(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet, const QStringList &passwords,
                  const std::function<void()> &edit);
