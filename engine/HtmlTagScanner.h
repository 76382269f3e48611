#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// Walks the tags in a page's bytes as the HTML tokenizer finds them, closely enough for a
// quick look before the page is parsed: comments and the content of elements read as raw text
// (<script>, <style>, <textarea>, ...) are passed over, character references are not decoded,
// and a tag inside a <template> or a drawing counts like any other.
class HtmlTagScanner
{
public:
    struct Attribute
    {
        qsizetype start;     // of its name
        qsizetype end;       // after its value
        QByteArrayView name; // as written
        QByteArrayView value;
    };
    struct Tag
    {
        bool endTag = false;
        qsizetype start = 0; // of its "<"
        qsizetype end = 0;   // after its ">"
        qsizetype nameStart = 0;
        qsizetype nameEnd = 0;
        QByteArray name;                   // in lower case
        std::vector<Attribute> attributes; // of a start tag
    };

    explicit HtmlTagScanner(QByteArrayView bytes) : m_bytes(bytes) {}

    // Fills `tag` with the next tag; false at the end of the bytes.
    bool next(Tag &tag);

private:
    bool bytesAt(qsizetype at, QByteArrayView expected) const;
    void readAttributes(Tag &tag);
    QByteArrayView readValue();
    void skipRawText(const QByteArray &name);

    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};
