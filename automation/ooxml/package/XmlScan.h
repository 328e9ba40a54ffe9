#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A byte-offset view of an XML text, enough to put new elements between existing
// ones without re-serialising anything. Only the element boundaries are found:
// text, attributes, namespaces and formatting of the document stay untouched.
// The scan is linear and keeps no tree, so it serves sheets of tens of megabytes.
namespace ooxml::xml {

struct Element {
    QByteArray qualifiedName;  // as written, e.g. "sheetData" or "x:sheetData"
    int begin = 0;             // offset of the '<' of the start tag
    int startTagEnd = 0;       // offset just past the start tag
    int contentEnd = 0;        // offset of the end tag ('<'); equals startTagEnd for <x/>
    int end = 0;               // offset just past the whole element
    bool selfClosing = false;

    QByteArray prefix() const;     // "" for the default namespace
    QByteArray localName() const;
};

// The document element. Refuses texts that are not UTF-8 (a UTF-16 byte order mark),
// that carry a document type declaration, or whose elements do not nest.
bool findRoot(const QByteArray &xml, Element *root, QString *error);

// The direct child elements of `parent`, in document order.
bool children(const QByteArray &xml, const Element &parent, QList<Element> *out, QString *error);

// The decoded value of an attribute of `element`'s start tag, matched by its name
// as written (with prefix, if any). Null when the attribute is absent.
QString attribute(const QByteArray &xml, const Element &element, const QByteArray &name);

// Where an element named `localName` goes among `kids` (the children of `root`)
// when the children follow `order`: before the first child in the root's namespace
// that ranks later, else before the root's end tag. Children of other namespaces
// (markup-compatibility wrappers, extensions) and unknown names never decide.
int schemaInsertionPoint(const Element &root, const QList<Element> &kids,
                         const QList<QByteArray> &order, const QByteArray &localName);

// A replacement of the bytes [begin, end) by `text`; begin == end inserts.
struct Edit {
    int begin = 0;
    int end = 0;
    QByteArray text;
};

// `xml` with non-overlapping edits applied, everything else copied as it was.
QByteArray applyEdits(const QByteArray &xml, QList<Edit> edits);

// The direct children of `parent` named `localName`, in document order; none when
// the text does not nest.
QList<Element> childrenNamed(const QByteArray &xml, const Element &parent, const QByteArray &localName);

// The text an element holds, its descendants' text joined, entities decoded.
QString innerText(const QByteArray &xml, const Element &element);

// An element's text, as written with namespace prefix `prefix`, moved into the
// default namespace.
QByteArray unprefixed(const QByteArray &text, const QByteArray &prefix);

// Character and entity references replaced by what they stand for.
QString decodeEntities(const QByteArray &raw);

// `value` escaped for a double-quoted attribute, as UTF-8.
QByteArray escapeAttribute(const QString &value);

} // namespace ooxml::xml
