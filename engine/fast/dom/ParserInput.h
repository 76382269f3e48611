#pragma once

#include <QByteArray>
#include <QString>

// The page's UTF-8 as the HTML parser (gumbo) is to take it, so that it builds the tree a
// browser builds, within the time a browser takes:
// - control characters and noncharacters, which the parser would replace by U+FFFD where a
//   browser keeps them, pass through it in disguise (see withControlsRestored());
// - elements nested deeper than the browser keeps its tree are left out (see NestingBound);
// - a <noscript> is read as a <noframes> with a mark (see noscriptMarkAttribute): a browser with
//   scripts on reads its content as plain text, even in the head, where the parser (which knows
//   only the scripts-off way) would end the head at the first element that does not belong
//   there;
// - a start tag keeps at most a few hundred attributes (beyond them only those that style or
//   text depend on), since the parser compares each attribute with all those before it.
struct ParserInput
{
    QByteArray utf8;
    bool attributesDropped = false; // some tag lost attributes a selector might have tested
    bool tagsLeftOut = false;       // some elements nested too deep are not in the tree
};

ParserInput parserInput(const QByteArray &utf8);

// The first attribute of a <noframes> that was a <noscript>.
inline constexpr char noscriptMarkAttribute[] = "quillmere-noscript";

// Text or an attribute value from the parser, with its disguised control characters and
// noncharacters back.
QString withControlsRestored(const QString &text);
