#include "BiffSheetViews.h"

#include "ReadFailure.h"

#include "BiffRecords.h"

#include <QHash>

namespace {

using namespace Biff;

constexpr quint16 kBiff8 = 0x0600;
constexpr quint16 kWorksheet = 0x0010;
constexpr quint16 kFrozen = 0x0008;
constexpr quint16 kFrozenNoSplit = 0x0100;
constexpr quint8 kTopLeftPane = 3;

using readers::fail;

QByteArray record(quint16 type, const QByteArray &body)
{
    QByteArray r(4, '\0');
    put16(r, 0, type);
    put16(r, 2, static_cast<quint16>(body.size()));
    return r + body;
}

struct Record {
    int at = 0;     // offset of the header
    quint16 type = 0;
    QByteArray body;
    int end() const { return at + 4 + body.size(); }
};

// The records from `at` to the EOF that closes the substream opened there.
bool substream(const QByteArray &stream, int at, QList<Record> *records)
{
    int depth = 0;
    while (at + 4 <= stream.size()) {
        Record r;
        r.at = at;
        r.type = u16(stream, at);
        const int length = u16(stream, at + 2);
        if (at + 4 + length > stream.size())
            return false;
        r.body = stream.mid(at + 4, length);
        records->append(r);
        at = r.end();
        if (r.type == kBof)
            ++depth;
        else if (r.type == kEof && --depth == 0)
            return true;
        if (depth <= 0 || r.type == kFilePass)
            return false;
    }
    return false;
}

struct Sheet {
    QString name;
    int boundSheetAt = 0; // the BOUNDSHEET record in the globals
    int start = 0;
    bool worksheet = false;
    QList<Record> records;
};

QString sheetName(const QByteArray &body)
{
    if (body.size() < 8)
        return QString();
    const int count = static_cast<quint8>(body.at(6));
    const bool wide = body.at(7) & 1;
    const QByteArray chars = body.mid(8, wide ? 2 * count : count);
    if (!wide)
        return QString::fromLatin1(chars);
    return QString(reinterpret_cast<const QChar *>(chars.constData()), chars.size() / 2);
}

// The globals and each sheet's substream, in stream order, contiguous.
bool layout(const QByteArray &stream, QList<Record> *globals, QList<Sheet> *sheets, QString *error)
{
    if (!substream(stream, 0, globals) || globals->first().type != kBof || globals->first().body.size() < 4
        || u16(globals->first().body, 0) != kBiff8)
        return fail(error, QStringLiteral("not a BIFF8 workbook stream"));
    for (const Record &r : *globals) {
        if (r.type == kFilePass)
            return fail(error, QStringLiteral("the workbook stream is encrypted"));
        if (r.type == kBoundSheet && r.body.size() >= 8)
            sheets->append({sheetName(r.body), r.at, static_cast<int>(u32(r.body, 0)), false, {}});
    }
    int expected = globals->last().end();
    for (Sheet &sheet : *sheets) {
        if (sheet.start != expected || !substream(stream, sheet.start, &sheet.records))
            return fail(error, QStringLiteral("sheet \"%1\" is not where the workbook says").arg(sheet.name));
        const QByteArray &bof = sheet.records.first().body;
        sheet.worksheet = bof.size() >= 4 && u16(bof, 2) == kWorksheet;
        expected = sheet.records.last().end();
    }
    // Writers pad a short stream with zero bytes (to 4096, out of the small
    // block area); anything else after the last sheet is not understood.
    for (int at = expected; at < stream.size(); ++at)
        if (stream.at(at) != '\0')
            return fail(error, QStringLiteral("the workbook stream holds more than its sheets"));
    return true;
}

// The records of the sheet's own view: its top-level WINDOW2 (embedded charts
// have their own) and the PANE and SELECTION records after it.
int window2Of(const Sheet &sheet)
{
    int depth = 0;
    for (int i = 0; i < sheet.records.size(); ++i) {
        const Record &r = sheet.records.at(i);
        if (r.type == kBof)
            ++depth;
        else if (r.type == kEof)
            --depth;
        else if (depth == 1 && r.type == kWindow2 && r.body.size() >= 2)
            return i;
    }
    return -1;
}

// The records that may stand between WINDOW2 and its PANE: zoom, page
// layout view, and a later version's sheet view extension.
bool leadsPane(quint16 type)
{
    return type == kScl || type == kPlv || type == kSheetViewExtension;
}

BiffSheetViews::View viewOf(const Sheet &sheet)
{
    BiffSheetViews::View view;
    const int w = window2Of(sheet);
    if (w < 0)
        return view;
    view.frozen = u16(sheet.records.at(w).body, 0) & kFrozen;
    for (int i = w + 1; i < sheet.records.size(); ++i) {
        const Record &r = sheet.records.at(i);
        if (r.type == kBof || r.type == kEof)
            break;
        if (r.type == kPane && r.body.size() >= 9)
            view.pane = r.body;
        else if (r.type == kSelection)
            view.selections << r.body;
    }
    return view;
}

// A copy's view starts right below and right of the split, with that cell selected.
BiffSheetViews::View fromTheSplit(BiffSheetViews::View view)
{
    if (!view.frozen || view.pane.size() < 9)
        return view;
    const quint16 columns = u16(view.pane, 0);
    const quint16 rows = u16(view.pane, 2);
    put16(view.pane, 4, rows);
    put16(view.pane, 6, columns);
    QByteArray selection(15, '\0');
    selection[0] = view.pane.at(8);
    put16(selection, 1, rows);
    put16(selection, 3, columns);
    put16(selection, 7, 1);
    put16(selection, 9, rows);
    put16(selection, 11, rows);
    selection[13] = static_cast<char>(qMin<int>(columns, 255));
    selection[14] = static_cast<char>(qMin<int>(columns, 255));
    view.selections = {selection};
    return view;
}

// A view without a pane: the first cell selected.
BiffSheetViews::View plainView()
{
    QByteArray selection(15, '\0');
    selection[0] = static_cast<char>(kTopLeftPane);
    put16(selection, 7, 1);
    return {false, QByteArray(), {selection}};
}

// The sheet's records with its view replaced: the frozen flags of WINDOW2
// set, the old PANE and SELECTION records gone, the new ones where a pane
// goes.
QByteArray rewritten(const Sheet &sheet, const BiffSheetViews::View &view)
{
    const int w = window2Of(sheet);
    QByteArray out;
    int i = 0;
    for (; i <= w; ++i) {
        const Record &r = sheet.records.at(i);
        QByteArray body = r.body;
        if (i == w) {
            quint16 flags = u16(body, 0) & ~(kFrozen | kFrozenNoSplit);
            if (view.frozen)
                flags |= kFrozen | kFrozenNoSplit;
            put16(body, 0, flags);
        }
        out += record(r.type, body);
    }
    for (; i < sheet.records.size() && leadsPane(sheet.records.at(i).type); ++i)
        out += record(sheet.records.at(i).type, sheet.records.at(i).body);
    if (!view.pane.isEmpty())
        out += record(kPane, view.pane);
    for (const QByteArray &selection : view.selections)
        out += record(kSelection, selection);
    bool dropping = false;
    for (; i < sheet.records.size(); ++i) {
        const Record &r = sheet.records.at(i);
        // A dropped record's continuations go with it.
        dropping = r.type == kPane || r.type == kSelection || (dropping && r.type == kContinue);
        if (!dropping)
            out += record(r.type, r.body);
    }
    return out;
}

// INDEX records hold stream offsets of the sheet's row blocks, before its view.
void moveIndexOffsets(QByteArray &sheetBytes, qint64 shift)
{
    int at = 0;
    while (at + 4 <= sheetBytes.size()) {
        const quint16 type = u16(sheetBytes, at);
        const int length = u16(sheetBytes, at + 2);
        if (type == kWindow2)
            return;
        if (type == kIndex && length >= 16) {
            for (int field = 12; field + 4 <= length; field += 4) {
                const quint32 offset = u32(sheetBytes, at + 4 + field);
                if (offset != 0)
                    put32(sheetBytes, at + 4 + field, static_cast<quint32>(offset + shift));
            }
        }
        at += 4 + length;
    }
}

} // namespace

namespace BiffSheetViews {

bool readViews(const QByteArray &stream, QList<QPair<QString, View>> *views, QString *error)
{
    QList<Record> globals;
    QList<Sheet> sheets;
    if (!layout(stream, &globals, &sheets, error))
        return false;
    for (const Sheet &sheet : sheets)
        if (sheet.worksheet)
            views->append({sheet.name, viewOf(sheet)});
    return true;
}

bool applyViews(const QByteArray &stream, const QList<QPair<QString, View>> &sourceViews,
                const QList<Assignment> &assignments, QByteArray *out, QString *error)
{
    QList<Record> globals;
    QList<Sheet> sheets;
    if (!layout(stream, &globals, &sheets, error))
        return false;
    QHash<QString, View> bySource;
    for (const auto &view : sourceViews)
        bySource.insert(view.first, view.second);
    QHash<QString, const Assignment *> byResult;
    for (const Assignment &assignment : assignments)
        byResult.insert(assignment.sheetName, &assignment);

    QByteArray globalBytes = stream.left(globals.last().end());
    QByteArray sheetBytes;
    for (const Sheet &sheet : sheets) {
        QByteArray bytes = stream.mid(sheet.start, sheet.records.last().end() - sheet.start);
        const Assignment *assignment = byResult.value(sheet.name);
        if (sheet.worksheet && assignment && window2Of(sheet) >= 0) {
            const auto source = bySource.constFind(assignment->sourceSheetName);
            View view = plainView();
            if (source != bySource.cend() && !source->pane.isEmpty())
                view = assignment->isCopy ? fromTheSplit(*source) : *source;
            bytes = rewritten(sheet, view);
        }
        const qint64 start = globalBytes.size() + sheetBytes.size();
        moveIndexOffsets(bytes, start - sheet.start);
        put32(globalBytes, sheet.boundSheetAt + 4, static_cast<quint32>(start));
        sheetBytes += bytes;
    }
    const int sheetsEnd = sheets.isEmpty() ? globals.last().end() : sheets.last().records.last().end();
    *out = globalBytes + sheetBytes + stream.mid(sheetsEnd);
    return true;
}

} // namespace BiffSheetViews
