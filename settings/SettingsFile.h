#pragma once

#include <QByteArray>

// The settings file "Sheetsplicer.wqz": key=value lines, each ending in
// "\r\n", in the local 8-bit encoding, read and written as binary bytes.
// No sections, comments, quoting or escapes; a key is found as the
// first occurrence of key + "=" anywhere in the text (case-sensitive), and a
// value runs from just after that "=" up to the next "\r\n".
//
// Paths, keys and values are local 8-bit byte strings. The text is treated as
// a C string: it ends at its first zero byte, if it has one.

namespace SettingsLimits {
// The file text is held in a buffer of 10,240 bytes.
constexpr int text = 10239;
// A value read for the form is held in a buffer of 1,024 bytes ...
constexpr int value = 1023;
// ... the value of "AppointedHeaderRow" in one of 16 bytes.
constexpr int shortValue = 15;
// A rewrite has room for the old text plus 2,048 bytes: key, "=", value,
// "\r\n", a "\r\n" put before an appended line, and the terminating zero.
constexpr int keyAndValue = 2042;
} // namespace SettingsLimits

// The whole text of the file at `path`, at most SettingsLimits::text bytes.
// A missing or unreadable file gives an empty text.
QByteArray loadSettingsText(const QByteArray &path);

// The value of `key` in `text`, with blanks (space and tab) trimmed; empty
// when key + "=" does not occur, or when no "\r\n" follows it. A value longer
// than `maxLength` bytes is cut at `maxLength` bytes.
QByteArray readSetting(const QByteArray &text, const QByteArray &key,
                       int maxLength = SettingsLimits::value);

// Replaces the line of `key` (from its first occurrence up to and including
// the "\r\n" that follows it) by key=value\r\n, or appends that line when the
// key does not occur. The value is written as given, without trimming; a key
// and value longer than SettingsLimits::keyAndValue bytes together have the
// value cut at that limit.
//
// The new text goes to a temporary file in the same folder, which then
// replaces the old file, so an interrupted write leaves the old file whole.
// Returns 0 when the file was rewritten, -1 when it does not exist or cannot
// be read (nothing is written) or when the new text could not be stored (the
// old file stays as it was).
int writeSetting(const QByteArray &path, const QByteArray &key, const QByteArray &value);
