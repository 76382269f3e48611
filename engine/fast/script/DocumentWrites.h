#pragma once

#include "engine/fast/dom/Dom.h"
#include "engine/fast/dom/ParserInput.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

// The markup a page's scripts wrote into the parser's input while it was being parsed
// (document.write), and the page's input with that markup in place.
//
// The parser here reads a page whole before any script runs, so a write cannot enter its
// input as the script runs. Instead the page is parsed again with the markup put in after the
// writing script's end tag, and its scripts run again from the start on that tree: the writes
// come out the same (the scripts see the same tree up to them), and what the parser makes of
// the markup is in the tree as the browser's parser would have made it.
class DocumentWrites
{
public:
    // Parses of the page again; each costs a parse and a run of the scripts up to the write.
    static constexpr int maxRewrites = 8;
    // Bytes written in all, each of them parsed again with the page.
    static constexpr qsizetype maxWrittenBytes = qsizetype(1) << 20;
    // Parses of the page again in all: each script's writes are checked with a parse of their
    // own.
    static constexpr int maxParses = 64;

    explicit DocumentWrites(const QByteArray &utf8);

    bool any() const { return !m_written.empty(); }
    // The page's input with every write in place.
    ParserInput input() const;
    // The offset in the page's own input of a script end at `scriptEnd` in input(); nothing
    // when it lies in written markup.
    std::optional<qsizetype> pageOffset(qsizetype scriptEnd) const;
    // The offset in input() of a script end at `pageOffset` in the page's own input.
    qsizetype inputOffset(qsizetype pageOffset) const;
    // What the script whose end tag ends at `scriptEnd` (an offset in input()) wrote the last
    // time: an empty string for nothing; nothing at all when the script is itself part of
    // written markup.
    std::optional<QString> writtenAfter(qsizetype scriptEnd) const;
    // Sets what that script writes. False when the markup is not one the parser's input can
    // take as it is, or the writes go past their bounds.
    bool setWrittenAfter(qsizetype scriptEnd, const QString &markup);

private:
    struct Written
    {
        QString markup;
        QByteArray bytes;
    };

    // The page's own input, made when a script first writes: most pages never do.
    const ParserInput &page() const;

    QByteArray m_utf8;
    mutable std::optional<ParserInput> m_page;
    std::map<qsizetype, Written> m_written; // by offset in the page's own input
    qsizetype m_writtenBytes = 0;
};

// Whether the nodes [0, last] of two parses of a page are the same nodes in the same places:
// markup written after them left what the parser had made before it as it was.
bool sameParseUpTo(const Dom &before, const Dom &after, int last);
