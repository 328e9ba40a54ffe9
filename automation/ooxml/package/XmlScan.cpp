#include "XmlScan.h"

#include "ReadFailure.h"

#include <algorithm>

namespace ooxml::xml {

namespace {

enum class Markup { StartTag, EndTag, Comment, ProcessingInstruction, CData, Declaration };

struct Token {
    Markup kind = Markup::StartTag;
    int begin = 0;
    int end = 0;              // just past the markup
    QByteArray name;          // element name for start and end tags
    bool selfClosing = false;
};

using readers::fail;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool startsWith(const QByteArray &xml, int pos, const char *text)
{
    for (int i = 0; text[i]; ++i)
        if (pos + i >= xml.size() || xml.at(pos + i) != text[i])
            return false;
    return true;
}

int skipTo(const QByteArray &xml, int pos, const char *terminator)
{
    const int at = xml.indexOf(terminator, pos);
    return at < 0 ? -1 : at + static_cast<int>(qstrlen(terminator));
}

// Reads the markup that starts at `pos` (which holds '<').
bool readToken(const QByteArray &xml, int pos, Token *token, QString *error)
{
    token->begin = pos;
    token->selfClosing = false;
    token->name.clear();
    const int size = xml.size();
    if (startsWith(xml, pos, "<!--")) {
        token->kind = Markup::Comment;
        token->end = skipTo(xml, pos + 4, "-->");
    } else if (startsWith(xml, pos, "<![CDATA[")) {
        token->kind = Markup::CData;
        token->end = skipTo(xml, pos + 9, "]]>");
    } else if (startsWith(xml, pos, "<?")) {
        token->kind = Markup::ProcessingInstruction;
        token->end = skipTo(xml, pos + 2, "?>");
    } else if (startsWith(xml, pos, "<!")) {
        token->kind = Markup::Declaration;
        token->end = skipTo(xml, pos + 2, ">");
    } else {
        const bool endTag = startsWith(xml, pos, "</");
        token->kind = endTag ? Markup::EndTag : Markup::StartTag;
        int i = pos + (endTag ? 2 : 1);
        const int nameBegin = i;
        while (i < size && !isSpace(xml.at(i)) && xml.at(i) != '>' && xml.at(i) != '/')
            ++i;
        if (i == nameBegin)
            return fail(error, QStringLiteral("malformed tag at byte %1").arg(pos));
        token->name = xml.mid(nameBegin, i - nameBegin);
        char quote = 0;
        for (; i < size; ++i) {
            const char c = xml.at(i);
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '<') {
                return fail(error, QStringLiteral("malformed tag at byte %1").arg(pos));
            } else if (c == '>') {
                break;
            }
        }
        if (i >= size)
            return fail(error, QStringLiteral("unterminated tag at byte %1").arg(pos));
        token->selfClosing = !endTag && xml.at(i - 1) == '/';
        token->end = i + 1;
        return true;
    }
    if (token->end < 0)
        return fail(error, QStringLiteral("unterminated markup at byte %1").arg(pos));
    return true;
}

// Completes `element`, whose start tag is `start`, by finding its matching end tag.
bool completeElement(const QByteArray &xml, const Token &start, Element *element, QString *error)
{
    element->qualifiedName = start.name;
    element->begin = start.begin;
    element->startTagEnd = start.end;
    element->selfClosing = start.selfClosing;
    if (start.selfClosing) {
        element->contentEnd = start.end;
        element->end = start.end;
        return true;
    }
    int depth = 1;
    int pos = start.end;
    Token token;
    while (true) {
        pos = xml.indexOf('<', pos);
        if (pos < 0)
            return fail(error, QStringLiteral("element <%1> is not closed")
                                   .arg(QString::fromUtf8(start.name)));
        if (!readToken(xml, pos, &token, error))
            return false;
        if (token.kind == Markup::StartTag && !token.selfClosing) {
            ++depth;
        } else if (token.kind == Markup::EndTag && --depth == 0) {
            if (token.name != start.name)
                return fail(error, QStringLiteral("<%1> is closed by </%2>")
                                       .arg(QString::fromUtf8(start.name), QString::fromUtf8(token.name)));
            element->contentEnd = token.begin;
            element->end = token.end;
            return true;
        } else if (token.kind == Markup::Declaration) {
            return fail(error, QStringLiteral("unexpected declaration at byte %1").arg(pos));
        }
        pos = token.end;
    }
}


} // namespace

QString decodeEntities(const QByteArray &raw)
{
    const QString text = QString::fromUtf8(raw);
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&')) {
            out += text.at(i);
            continue;
        }
        const int semicolon = text.indexOf(QLatin1Char(';'), i);
        if (semicolon < 0) {
            out += text.mid(i);
            break;
        }
        const QString entity = text.mid(i + 1, semicolon - i - 1);
        if (entity == QLatin1String("amp"))
            out += QLatin1Char('&');
        else if (entity == QLatin1String("lt"))
            out += QLatin1Char('<');
        else if (entity == QLatin1String("gt"))
            out += QLatin1Char('>');
        else if (entity == QLatin1String("quot"))
            out += QLatin1Char('"');
        else if (entity == QLatin1String("apos"))
            out += QLatin1Char('\'');
        else if (entity.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint code = entity.startsWith(QLatin1String("#x"))
                                  ? entity.mid(2).toUInt(&ok, 16)
                                  : entity.mid(1).toUInt(&ok, 10);
            if (ok)
                out += QString::fromUcs4(&code, 1);
        } else {
            out += QLatin1Char('&') + entity + QLatin1Char(';');
        }
        i = semicolon;
    }
    return out;
}

QByteArray Element::prefix() const
{
    const int colon = qualifiedName.indexOf(':');
    return colon < 0 ? QByteArray() : qualifiedName.left(colon);
}

QByteArray Element::localName() const
{
    const int colon = qualifiedName.indexOf(':');
    return colon < 0 ? qualifiedName : qualifiedName.mid(colon + 1);
}

bool findRoot(const QByteArray &xml, Element *root, QString *error)
{
    if (xml.startsWith("\xff\xfe") || xml.startsWith("\xfe\xff"))
        return fail(error, QStringLiteral("the part is not UTF-8"));
    int pos = xml.startsWith("\xef\xbb\xbf") ? 3 : 0;
    Token token;
    while (true) {
        pos = xml.indexOf('<', pos);
        if (pos < 0)
            return fail(error, QStringLiteral("the part holds no element"));
        if (!readToken(xml, pos, &token, error))
            return false;
        switch (token.kind) {
        case Markup::StartTag:
            return completeElement(xml, token, root, error);
        case Markup::Declaration:
            return fail(error, QStringLiteral("document type declarations are not accepted"));
        case Markup::EndTag:
        case Markup::CData:
            return fail(error, QStringLiteral("malformed part at byte %1").arg(pos));
        case Markup::Comment:
        case Markup::ProcessingInstruction:
            pos = token.end;
            break;
        }
    }
}

bool children(const QByteArray &xml, const Element &parent, QList<Element> *out, QString *error)
{
    out->clear();
    int pos = parent.startTagEnd;
    Token token;
    while (pos < parent.contentEnd) {
        pos = xml.indexOf('<', pos);
        if (pos < 0 || pos >= parent.contentEnd)
            break;
        if (!readToken(xml, pos, &token, error))
            return false;
        if (token.kind == Markup::StartTag) {
            Element child;
            if (!completeElement(xml, token, &child, error))
                return false;
            out->append(child);
            pos = child.end;
        } else if (token.kind == Markup::EndTag || token.kind == Markup::Declaration) {
            return fail(error, QStringLiteral("malformed content at byte %1").arg(pos));
        } else {
            pos = token.end;
        }
    }
    return true;
}

QString attribute(const QByteArray &xml, const Element &element, const QByteArray &name)
{
    // Walk the attributes of the start tag: name = "value" pairs after the element name.
    int i = element.begin + 1 + element.qualifiedName.size();
    const int stop = element.startTagEnd - 1;
    while (i < stop) {
        while (i < stop && (isSpace(xml.at(i)) || xml.at(i) == '/'))
            ++i;
        const int nameBegin = i;
        while (i < stop && !isSpace(xml.at(i)) && xml.at(i) != '=')
            ++i;
        const QByteArray attrName = xml.mid(nameBegin, i - nameBegin);
        while (i < stop && isSpace(xml.at(i)))
            ++i;
        if (i >= stop || xml.at(i) != '=')
            return {};
        ++i;
        while (i < stop && isSpace(xml.at(i)))
            ++i;
        if (i >= stop || (xml.at(i) != '"' && xml.at(i) != '\''))
            return {};
        const char quote = xml.at(i);
        const int valueBegin = ++i;
        while (i < stop && xml.at(i) != quote)
            ++i;
        if (attrName == name) {
            const QString value = decodeEntities(xml.mid(valueBegin, i - valueBegin));
            return value.isNull() ? QStringLiteral("") : value;
        }
        ++i;
    }
    return {};
}

int schemaInsertionPoint(const Element &root, const QList<Element> &kids,
                         const QList<QByteArray> &order, const QByteArray &localName)
{
    const int rank = order.indexOf(localName);
    for (const Element &child : kids) {
        if (child.prefix() != root.prefix())
            continue;
        const int childRank = order.indexOf(child.localName());
        if (childRank > rank)
            return child.begin;
    }
    return root.contentEnd;
}

QByteArray applyEdits(const QByteArray &xml, QList<Edit> edits)
{
    std::sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) {
        return a.begin < b.begin || (a.begin == b.begin && a.end < b.end);
    });
    int extra = 0;
    for (const Edit &e : edits)
        extra += e.text.size();
    QByteArray out;
    out.reserve(xml.size() + extra);
    int pos = 0;
    for (const Edit &e : edits) {
        out.append(xml.constData() + pos, e.begin - pos);
        out.append(e.text);
        pos = e.end;
    }
    out.append(xml.constData() + pos, xml.size() - pos);
    return out;
}

QByteArray escapeAttribute(const QString &value)
{
    QByteArray out;
    const QByteArray utf8 = value.toUtf8();
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default: out += c;
        }
    }
    return out;
}

QList<Element> childrenNamed(const QByteArray &xml, const Element &parent, const QByteArray &localName)
{
    QList<Element> kids;
    QList<Element> named;
    if (parent.selfClosing || !children(xml, parent, &kids, nullptr))
        return named;
    for (const Element &kid : kids)
        if (kid.localName() == localName)
            named << kid;
    return named;
}

QString innerText(const QByteArray &xml, const Element &element)
{
    QString text;
    QList<Element> kids;
    if (element.selfClosing || !children(xml, element, &kids, nullptr))
        return text;
    if (kids.isEmpty())
        return decodeEntities(xml.mid(element.startTagEnd, element.contentEnd - element.startTagEnd));
    for (const Element &kid : kids)
        text += innerText(xml, kid);
    return text;
}

QByteArray unprefixed(const QByteArray &text, const QByteArray &prefix)
{
    if (prefix.isEmpty())
        return text;
    QByteArray out = text;
    out.replace("<" + prefix + ":", "<");
    out.replace("</" + prefix + ":", "</");
    return out;
}

} // namespace ooxml::xml
