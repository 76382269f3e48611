#include "engine/fast/dom/XmlBounds.h"

namespace {

constexpr int maxAttributesPerElement = 1000;
// libxml2's own limit without XML_PARSE_HUGE, past which it stops with an error anyway.
constexpr int maxDepth = 256;

// The offset just past `closer` from `from` on, or -1 when the document ends first.
qsizetype pastCloser(QByteArrayView document, qsizetype from, QByteArrayView closer)
{
    const qsizetype found = document.indexOf(closer, from);
    return found < 0 ? -1 : found + closer.size();
}

// A declaration such as <!DOCTYPE ...>, whose internal subset in brackets holds declarations
// of its own, any of them quoted text, and comments (where a quote is no quote).
qsizetype pastDeclaration(QByteArrayView document, qsizetype from)
{
    char quote = 0;
    int brackets = 0;
    for (qsizetype at = from; at < document.size(); ++at) {
        const char c = document[at];
        if (!quote && document.sliced(at).startsWith("<!--")) {
            at = pastCloser(document, at + 4, "-->");
            if (at < 0)
                return -1;
            --at;
        } else if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++brackets;
        } else if (c == ']') {
            brackets = brackets > 0 ? brackets - 1 : 0;
        } else if (c == '>' && brackets == 0) {
            return at + 1;
        }
    }
    return -1;
}

struct StartTag
{
    qsizetype end = -1; // past its '>', or -1 when it runs to the document's end
    int attributes = 0; // as many as its '=' outside quotes, each attribute having one
    bool selfClosing = false;
};

StartTag startTag(QByteArrayView document, qsizetype from)
{
    StartTag tag;
    char quote = 0;
    for (qsizetype at = from; at < document.size(); ++at) {
        const char c = document[at];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '=') {
            ++tag.attributes;
        } else if (c == '>') {
            tag.end = at + 1;
            tag.selfClosing = document[at - 1] == '/';
            return tag;
        }
    }
    return tag;
}

} // namespace

qsizetype xmlBoundsEnd(QByteArrayView document)
{
    int depth = 0;
    for (qsizetype at = document.indexOf('<'); at >= 0; at = document.indexOf('<', at)) {
        const QByteArrayView rest = document.sliced(at);
        const qsizetype tagStart = at;
        if (rest.startsWith("<!--"))
            at = pastCloser(document, at + 4, "-->");
        else if (rest.startsWith("<![CDATA["))
            at = pastCloser(document, at + 9, "]]>");
        else if (rest.startsWith("<?"))
            at = pastCloser(document, at + 2, "?>");
        else if (rest.startsWith("<!"))
            at = pastDeclaration(document, at + 2);
        else if (rest.startsWith("</")) {
            depth = depth > 0 ? depth - 1 : 0;
            at = pastCloser(document, at + 2, ">");
        } else {
            const StartTag tag = startTag(document, at + 1);
            if (tag.attributes > maxAttributesPerElement
                || (!tag.selfClosing && ++depth > maxDepth))
                return tagStart;
            at = tag.end;
        }
        if (at < 0)
            return -1;
    }
    return -1;
}
