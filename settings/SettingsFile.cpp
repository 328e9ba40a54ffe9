#include "SettingsFile.h"

#include <QFile>
#include <QSaveFile>
#include <QTextCodec>

namespace {

const QByteArray lineEnd("\r\n");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Spaces and tabs only: CR and LF are not blanks.
QByteArray trimmedBlanks(const QByteArray &bytes)
{
    int begin = 0;
    int end = bytes.size();
    while (begin < end && isBlank(bytes.at(begin)))
        ++begin;
    while (end > begin && isBlank(bytes.at(end - 1)))
        --end;
    return bytes.mid(begin, end - begin);
}

// The text as the C string it is: up to its first zero byte.
QByteArray asCString(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return zero < 0 ? bytes : bytes.left(zero);
}

// The first `limit` bytes; when the local encoding is UTF-8, a character
// that the cut would split is left out whole.
QByteArray cutAt(const QByteArray &bytes, int limit)
{
    if (limit < 0)
        limit = 0;
    if (bytes.size() <= limit)
        return bytes;
    QByteArray cut = bytes.left(limit);
    const QTextCodec *codec = QTextCodec::codecForLocale();
    if (!codec || codec->mibEnum() != 106 || cut.isEmpty())
        return cut;
    int lead = cut.size() - 1;
    while (lead > 0 && (uchar(cut.at(lead)) & 0xC0) == 0x80)
        --lead;
    const uchar first = uchar(cut.at(lead));
    int length = 1;
    if ((first & 0xE0) == 0xC0)
        length = 2;
    else if ((first & 0xF0) == 0xE0)
        length = 3;
    else if ((first & 0xF8) == 0xF0)
        length = 4;
    if (cut.size() - lead < length)
        cut.truncate(lead);
    return cut;
}

} // namespace

QByteArray loadSettingsText(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return QByteArray();
    return asCString(file.read(SettingsLimits::text));
}

QByteArray readSetting(const QByteArray &text, const QByteArray &key, int maxLength)
{
    const QByteArray copy = trimmedBlanks(asCString(text));
    const int found = copy.indexOf(key + '=');
    if (found < 0)
        return QByteArray();
    const int begin = found + key.size() + 1;
    const int end = copy.indexOf(lineEnd, begin);
    if (end < 0)
        return QByteArray();
    const QByteArray value = trimmedBlanks(copy.mid(begin, end - begin));
    return trimmedBlanks(cutAt(value, maxLength));
}

int writeSetting(const QByteArray &path, const QByteArray &key, const QByteArray &value)
{
    if (path.isEmpty())
        return -1;
    const QString fileName = QFile::decodeName(path);
    QByteArray oldText;
    {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        oldText = asCString(file.readAll());
    }

    const QByteArray line = key + '=' + cutAt(value, SettingsLimits::keyAndValue - key.size()) + lineEnd;
    QByteArray newText;
    const int found = oldText.indexOf(key + '=');
    if (found >= 0) {
        newText = oldText.left(found) + line;
        const int end = oldText.indexOf(lineEnd, found + key.size() + 1);
        if (end >= 0)
            newText += oldText.mid(end + lineEnd.size());
    } else {
        newText = oldText;
        if (!newText.isEmpty() && !newText.endsWith('\n'))
            newText += lineEnd;
        newText += line;
    }

    // A temporary file in the same folder, renamed over the old one on commit.
    // Unbuffered, and flushed before the commit: QSaveFile notices a failed
    // write only when it happens inside write(), not one that happens while
    // its buffer is flushed at commit; that one would still be renamed over
    // the old file, cut short.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return -1;
    if (file.write(newText) != newText.size() || !file.flush()) {
        file.cancelWriting();
        file.commit();
        return -1;
    }
    return file.commit() ? 0 : -1;
}
