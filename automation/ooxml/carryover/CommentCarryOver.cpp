#include "CommentCarryOver.h"

#include "ViewEdits.h"
#include "XmlScan.h"

#include <QHash>
#include <QStringList>

namespace ooxml {

namespace {

struct SourceComment {
    QString author;
    QByteArray text; // the <text> element as written, in the default namespace
};

QString plain(const QString &text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return out.trimmed();
}

struct CommentsPart {
    xml::Element authors;
    QStringList authorNames;
    QList<xml::Element> comments;
};

bool readPart(const QByteArray &xml, CommentsPart *part, QString *error)
{
    xml::Element root;
    if (!xml::findRoot(xml, &root, error))
        return false;
    const QList<xml::Element> authors = xml::childrenNamed(xml, root, "authors");
    const QList<xml::Element> lists = xml::childrenNamed(xml, root, "commentList");
    if (authors.isEmpty() || lists.isEmpty())
        return false;
    part->authors = authors.first();
    for (const xml::Element &author : xml::childrenNamed(xml, part->authors, "author"))
        part->authorNames << xml::innerText(xml, author);
    part->comments = xml::childrenNamed(xml, lists.first(), "comment");
    return true;
}

} // namespace

bool carryComments(const QByteArray &sourceComments, const QByteArray &resultComments, QByteArray *out,
                   QString *error)
{
    *out = resultComments;
    CommentsPart source;
    if (!readPart(sourceComments, &source, nullptr))
        return true; // nothing to learn from
    QHash<QString, SourceComment> byText;
    for (const xml::Element &comment : source.comments) {
        const QList<xml::Element> texts = xml::childrenNamed(sourceComments, comment, "text");
        if (texts.isEmpty())
            continue;
        const int authorId = xml::attribute(sourceComments, comment, "authorId").toInt();
        const QString key = plain(xml::innerText(sourceComments, texts.first()));
        if (!byText.contains(key))
            byText.insert(key, {source.authorNames.value(authorId),
                                xml::unprefixed(sourceComments.mid(texts.first().begin, texts.first().end - texts.first().begin),
                                           texts.first().prefix())});
    }

    CommentsPart result;
    if (!readPart(resultComments, &result, error))
        return true; // not a part to mend
    QStringList authors = result.authorNames;
    QList<xml::Edit> edits;
    for (const xml::Element &comment : result.comments) {
        const QList<xml::Element> texts = xml::childrenNamed(resultComments, comment, "text");
        if (texts.isEmpty())
            continue;
        const auto found = byText.constFind(plain(xml::innerText(resultComments, texts.first())));
        if (found == byText.cend())
            continue;
        int authorId = authors.indexOf(found->author);
        if (authorId < 0) {
            authors << found->author;
            authorId = authors.size() - 1;
        }
        const QByteArray tag = resultComments.mid(comment.begin, comment.startTagEnd - comment.begin);
        edits.append({comment.begin, comment.startTagEnd, withAttribute(tag, "authorId", QByteArray::number(authorId))});
        const QByteArray prefix = texts.first().prefix();
        QByteArray text = found->text;
        if (!prefix.isEmpty())
            text.replace("<", "<" + prefix + ":").replace("<" + prefix + ":/", "</" + prefix + ":");
        edits.append({texts.first().begin, texts.first().end, text});
    }
    if (edits.isEmpty())
        return true;
    if (authors != result.authorNames) {
        const QByteArray prefix = result.authors.prefix().isEmpty() ? QByteArray() : result.authors.prefix() + ":";
        QByteArray list = "<" + prefix + "authors>";
        for (const QString &author : authors)
            list += "<" + prefix + "author>" + xml::escapeAttribute(author) + "</" + prefix + "author>";
        list += "</" + prefix + "authors>";
        edits.append({result.authors.begin, result.authors.end, list});
    }
    *out = xml::applyEdits(resultComments, edits);
    return true;
}

} // namespace ooxml
