#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the benchmark runs: table sizes, source kinds and jobs, and the
// geometry of the generated summary table for each.

struct BenchSize
{
    QString name;       // "S", "M", "L"
    int rows = 0;       // data rows
    int columns = 0;
    int categories = 0;
    bool editRange = true; // the many-category cases split only, as most people do
};

inline bool operator==(const BenchSize &a, const BenchSize &b) { return a.name == b.name; }

enum class SourceKind { Plain, Rich, Formulas };
enum class BenchJob { Classify, Link, Files };

// S = 1,000 x 8 x 5, M = 10,000 x 12 x 20, L = 50,000 x 12 x 50; and, run
// only when named, many categories without an editable range: C50, C100,
// C200, C400 = 2,000 x 12 x 50..400, R500 = 500 x 12 x 500 (a record each);
// F500 = 1,100 x 13 x 500, meant for the kind "formulas".
const QList<BenchSize> &standardSizes();
std::optional<BenchSize> sizeNamed(const QString &name);

QString kindName(SourceKind kind);
std::optional<SourceKind> kindNamed(const QString &name);
QString jobName(BenchJob job);
std::optional<BenchJob> jobNamed(const QString &name);

// Where things are in a generated summary table. Column 1 holds the
// category, column 2 the unique key, columns 3 and up the figures. A plain
// table has one header row; a rich one a merged title row and two header
// rows above the data; a table of formulas a header row and a row of
// factors, and every cell from column 4 on a formula (=$C3*D$2).
struct SourceLayout
{
    int headerRows = 1;
    int firstDataRow = 2;
    int lastDataRow = 2;
    int classifyColumn = 1;
    int matchColumn = 2;
    QString editRange;  // the figure columns over all data rows, e.g. C2:H1001; empty for none
};

SourceLayout layoutFor(const BenchSize &size, SourceKind kind);

// "bench-M-rich.xlsx"
QString sourceFileName(const BenchSize &size, SourceKind kind);
