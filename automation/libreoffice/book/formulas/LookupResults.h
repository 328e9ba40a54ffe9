#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>

#include <optional>

// The category sheets' lookups, =IF(VLOOKUP($A3,Summary!$A$3:$F$20,
// COLUMN()-COLUMN($A3)+1,0)="","",VLOOKUP(...)), worked out without the
// office: each finds its key's one row of the table and gives that row's cell
// of its own column. Where the office could find another row, or see another
// value, there is no answer and the office calculates them.

// One lookup as the batch holds it in R1C1 form.
struct LookupFormula
{
    QString tableSheet; // unquoted
    int keyColumn = 0;  // the key's column on the formula's own sheet, and the table's first
    int top = 0;
    int bottom = 0;
    int right = 0;
};

// The lookup that `r1c1` is, when it is one exactly of that shape.
std::optional<LookupFormula> parseLookupFormula(const QString &r1c1);

// The table's key column, indexed by key. A key the office could take for
// another (the same text in another case or width, accents aside) counts as
// twice present, and finds nothing.
class LookupIndex
{
public:
    explicit LookupIndex(const QVector<QVariant> &keys);
    // The 0-based row of `key` in the table; none when the office would find
    // no row, another row, or read the key as a pattern.
    std::optional<int> rowOf(const QVariant &key) const;

private:
    QVector<QVariant> m_keys;
    QHash<QString, int> m_rows; // loose key -> row, -1 when twice present
};

// What the formula shows for the table's cell `value`: "" for an empty one,
// the number or text otherwise; none for anything else (a truth value).
std::optional<QVariant> lookupShows(const QVariant &value);
