#pragma once

#include <QByteArray>
#include <QString>

// The office keeps a comment's text but writes it without its author and in
// its own font. A comment of the result whose text is that of a comment of the
// source sheet gets that comment's author and text runs back.
namespace ooxml {

// `resultComments` (a comments part) with what `sourceComments` says of the same
// texts; comments the source does not have stay as they are.
bool carryComments(const QByteArray &sourceComments, const QByteArray &resultComments, QByteArray *out,
                   QString *error);

} // namespace ooxml
