#include "engine/fast/text/InnerText.h"

#include "engine/PageCancellation.h"
#include "engine/fast/dom/Dom.h"

#include <utility>

namespace {

bool isCollapsibleSpace(QChar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == '\'' || c == QChar(0x2019) || c == '_';
}

bool isHtmlSpace(QChar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// An input of type hidden makes no box, whatever display its style gives it.
bool isHiddenInput(const DomNode &node)
{
    return node.isElement("input")
        && node.attribute(QLatin1String("type"))
               .compare(QLatin1String("hidden"), Qt::CaseInsensitive)
        == 0;
}

// An option's text: its text content outside scripts, with runs of HTML white space made one
// space and none at either end (no-break spaces stay).
QString optionText(const Dom &dom, int option)
{
    QString text;
    bool space = false;
    for (int at = option; at >= 0; at = dom.next(at, option, dom.node(at).isElement("script"))) {
        if (dom.node(at).kind != DomNode::Text)
            continue;
        for (QChar c : dom.node(at).text) {
            if (isHtmlSpace(c)) {
                space = !text.isEmpty();
            } else {
                if (space)
                    text += ' ';
                text += c;
                space = false;
            }
        }
    }
    return text;
}

// The primary language subtag of the element's language (its own lang attribute or its
// nearest ancestor's), in lower case.
QString primaryLanguage(const Dom &dom, int element)
{
    for (int at = element; at >= 0; at = dom.node(at).parent) {
        const DomNode &node = dom.node(at);
        if (node.kind != DomNode::Element)
            continue;
        QString value = node.attribute(QLatin1String("xml:lang"));
        if (value.isNull())
            value = node.attribute(QLatin1String("lang"));
        if (!value.isNull())
            return value.section('-', 0, 0).trimmed().toLower();
    }
    return {};
}

bool hasTurkicCasing(const QString &language)
{
    return language == "tr" || language == "az";
}

// Upper case as the browser maps it for the language: Turkish and Azeri dot the capital I.
QString upperCase(const QString &text, const QString &language)
{
    if (!hasTurkicCasing(language) || !text.contains('i'))
        return text.toUpper();
    QString dotted = text;
    dotted.replace('i', QChar(0x0130));
    return dotted.toUpper();
}

// Lower case as the browser maps it for the language: Turkish and Azeri keep the capital I
// dotless and drop the dot of U+0130; Lithuanian keeps the dot of an accented I.
QString lowerCase(const QString &text, const QString &language)
{
    if (hasTurkicCasing(language)) {
        QString mapped = text;
        mapped.replace(QChar(0x0130), 'i').replace('I', QChar(0x0131));
        return mapped.toLower();
    }
    if (language == "lt") {
        QString mapped = text;
        mapped.replace(QChar(0x00CC), QStringLiteral("i\u0307\u0300"))
            .replace(QChar(0x00CD), QStringLiteral("i\u0307\u0301"))
            .replace(QChar(0x0128), QStringLiteral("i\u0307\u0303"));
        return mapped.toLower();
    }
    return text.toLower();
}

// The rendered text collection steps of the HTML standard's innerText getter, over the
// subtree of one element, in one walk; each step is named where it is taken.
class RenderedTextCollector
{
public:
    RenderedTextCollector(const Dom &dom, const std::vector<ComputedStyle> &styles)
        : m_dom(dom)
        , m_styles(styles)
    {
        m_lines.push_back({});
    }

    QString run(int root)
    {
        for (int at = m_dom.node(root).firstChild; at >= 0;) {
            checkPageCancelled();
            if (enter(at) && m_dom.node(at).firstChild >= 0) {
                at = m_dom.node(at).firstChild;
                continue;
            }
            // Leave every node whose subtree is done, up to one with a next sibling.
            for (;;) {
                if (!m_entered.empty() && m_entered.back() == at) {
                    m_entered.pop_back();
                    leave(at);
                }
                if (m_dom.node(at).nextSibling >= 0) {
                    at = m_dom.node(at).nextSibling;
                    break;
                }
                at = m_dom.node(at).parent;
                if (at == root) {
                    at = -1;
                    break;
                }
            }
        }
        releaseHeldBreaks(line(), false); // a space at the very end goes
        return m_text;
    }

private:
    // The state of the line being laid out within one inline formatting context.
    struct Line
    {
        bool afterSpace = true;    // at a line start or after a collapsible space
        bool pendingSpace = false; // a collapsible space that stays unless the line ends
        bool pendingVisible = false;
        // Where the pending space goes in the text: the text of a float or a positioned box
        // may come after it and before what decides the space's fate.
        qsizetype pendingAt = 0;
        // Line breaks required after the pending space (by an inline <p> that follows it):
        // they come after the space if it stays.
        int breaksAfterPending = 0;
        // A float or positioned box came after the pending space: the line breaks required
        // before the space are held back, since that box's text is written after the space and
        // the two runs of breaks are one only if the space goes.
        bool boxAfterPending = false;
        int breaksBeforePending = 0;
        int breaksFlushedAtPending = 0; // by the first text written where the space is
        QChar lastCharacter = ' ';
    };

    // --- What the text receives -----------------------------------------------------------

    void flushLineBreaks()
    {
        if (m_requiredLineBreaks == 0)
            return;
        // Lines whose pending space is where these breaks go: the innermost ones, as a line
        // within a box that follows a space starts no earlier than that space.
        for (auto held = m_linesHoldingBreaks.rbegin(); held != m_linesHoldingBreaks.rend();
             ++held) {
            Line &holding = m_lines[size_t(*held)];
            if (holding.pendingAt != m_text.size())
                break;
            holding.breaksFlushedAtPending = m_requiredLineBreaks;
        }
        m_text.append(QString(m_requiredLineBreaks, '\n'));
        m_requiredLineBreaks = 0;
    }

    void emitText(QStringView text)
    {
        if (text.isEmpty())
            return;
        flushLineBreaks();
        m_text += text;
    }

    // Getter steps 4 to 6 as the items come: a run of required line breaks at the start goes
    // (so does one at the end, never flushed), and any other run becomes as many newlines as
    // its largest count.
    void emitRequiredLineBreaks(int count)
    {
        if (count == 0 || m_text.isEmpty())
            return;
        if (!m_lines.empty() && line().pendingSpace && line().pendingAt == m_text.size())
            line().breaksAfterPending = std::max(line().breaksAfterPending, count);
        else
            m_requiredLineBreaks = std::max(m_requiredLineBreaks, count);
    }

    // A float or positioned box follows the line's pending space: the breaks required so far
    // came before the space.
    void holdBreaksBeforePendingSpace()
    {
        Line &current = line();
        if (!current.pendingSpace || current.boxAfterPending)
            return;
        current.boxAfterPending = true;
        current.breaksBeforePending = std::exchange(m_requiredLineBreaks, 0);
        current.breaksFlushedAtPending = 0;
        m_linesHoldingBreaks.push_back(int(m_lines.size()) - 1);
    }

    // The breaks held back before a pending space that is now decided: a space that stays comes
    // between them and what came after it; one that goes leaves one run of breaks, as many as
    // the larger of the two.
    void releaseHeldBreaks(Line &current, bool spaceStays)
    {
        if (!current.boxAfterPending)
            return;
        current.boxAfterPending = false;
        m_linesHoldingBreaks.pop_back();
        const int before = std::exchange(current.breaksBeforePending, 0);
        if (spaceStays) {
            m_text.insert(current.pendingAt, QString(before, '\n') + u' ');
        } else if (current.pendingAt == m_text.size()) {
            m_requiredLineBreaks = std::max(m_requiredLineBreaks, before);
        } else if (before > current.breaksFlushedAtPending) {
            m_text.insert(current.pendingAt,
                          QString(before - current.breaksFlushedAtPending, '\n'));
        }
    }

    // The line's pending space goes: the breaks required after it still count.
    void dropPendingSpace(Line &current)
    {
        releaseHeldBreaks(current, false);
        current.pendingSpace = false;
        m_requiredLineBreaks = std::max(m_requiredLineBreaks, current.breaksAfterPending);
        current.breaksAfterPending = 0;
    }

    void emitCharacter(QChar c)
    {
        flushLineBreaks();
        m_text += c;
    }

    // --- Line layout ------------------------------------------------------------------------

    Line &line() { return m_lines.back(); }

    // A block boundary or a forced break: a space pending at the line's end goes.
    void endLine()
    {
        dropPendingSpace(line());
        line().afterSpace = true;
        line().lastCharacter = ' ';
    }

    // Something that is not a collapsible space comes: a pending space stays.
    void content(QChar c = QChar(0xFFFC))
    {
        if (c == QChar(0xFFFC))
            m_firstLetterPending = false;
        Line &current = line();
        if (current.pendingSpace && current.pendingVisible && current.boxAfterPending) {
            releaseHeldBreaks(current, true);
        } else if (current.pendingSpace && current.pendingVisible) {
            if (current.pendingAt == m_text.size())
                emitCharacter(' ');
            else
                m_text.insert(current.pendingAt, ' ');
        }
        dropPendingSpace(current);
        current.afterSpace = false;
        current.lastCharacter = c;
    }

    void collapsibleSpace(bool visible)
    {
        Line &current = line();
        if (current.afterSpace)
            return;
        current.pendingSpace = true;
        current.pendingVisible = visible;
        current.pendingAt = m_text.size();
        current.afterSpace = true;
        current.lastCharacter = ' ';
    }

    QString transformed(const QString &text, TextTransform transform, int node)
    {
        switch (transform) {
        case TextTransform::None:
            return text;
        case TextTransform::Uppercase:
            return upperCase(text, primaryLanguage(m_dom, node));
        case TextTransform::Lowercase:
            return lowerCase(text, primaryLanguage(m_dom, node));
        case TextTransform::Capitalize:
            break;
        }
        // A word goes on across "." and ":" between letters, as in "foo.bar".
        QString result = text;
        QChar beforePrevious = ' ';
        QChar previous = line().lastCharacter;
        for (qsizetype i = 0; i < result.size(); ++i) {
            const bool inWord = isWordCharacter(previous)
                || ((previous == '.' || previous == ':') && beforePrevious.isLetter());
            if (result[i].isLetter() && !inWord)
                result[i] = result[i].toTitleCase();
            beforePrevious = previous;
            previous = result[i];
        }
        return result;
    }

    // Lays out a run of text in a line, writing what is visible.
    void layOutText(const QString &source, WhiteSpace whiteSpace, TextTransform transform,
                    bool visible, int node)
    {
        const QString text = transformed(source, transform, node);
        const bool collapse = collapsesSpaces(whiteSpace);
        const bool keepNewlines = whiteSpace != WhiteSpace::Normal
            && whiteSpace != WhiteSpace::Nowrap;
        qsizetype i = 0;
        while (i < text.size()) {
            const QChar c = text[i];
            if (collapse && isCollapsibleSpace(c)) {
                qsizetype end = i;
                bool newline = false;
                while (end < text.size() && isCollapsibleSpace(text[end])) {
                    newline = newline || text[end] == '\n' || text[end] == '\r';
                    ++end;
                }
                if (newline && keepNewlines) {
                    // pre-line: the spaces around each newline go, the newlines stay.
                    for (qsizetype j = i; j < end; ++j) {
                        if (text[j] == '\n') {
                            endLine();
                            if (visible)
                                emitCharacter('\n');
                        }
                    }
                } else if (newline && removesSegmentBreak(text, end)) {
                    dropPendingSpace(line());
                } else {
                    collapsibleSpace(visible);
                }
                i = end;
                continue;
            }
            if (c == '\n') {
                endLine();
                if (visible)
                    emitCharacter('\n');
                ++i;
                continue;
            }
            if (!m_firstLetterPending) {
                // The characters up to the next space or newline go out at once.
                QChar last = c;
                const qsizetype end = plainRunEnd(text, i, collapse, last);
                content(c);
                line().lastCharacter = last;
                if (visible)
                    emitText(QStringView(text).sliced(i, end - i));
                i = end;
                continue;
            }
            content(c);
            const qsizetype length = unitLength(text, i);
            if (m_firstLetterPending && !c.isPunct()) {
                m_firstLetterPending = false;
                const QString letter = transformed(text.mid(i, length), m_firstLetterTransform,
                                                   node);
                if (visible)
                    emitText(letter);
            } else if (visible) {
                emitText(QStringView(text).mid(i, length));
            }
            i += length;
        }
    }

    // Keep surrogate pairs whole.
    static qsizetype unitLength(const QString &text, qsizetype at)
    {
        return text[at].isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
    }

    // The end of the characters from `start` that are laid out as they are; `last` becomes the
    // first character of the last of them, pair or single, as a line remembers it.
    static qsizetype plainRunEnd(const QString &text, qsizetype start, bool collapse, QChar &last)
    {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n'
               && !(collapse && isCollapsibleSpace(text[end]))) {
            last = text[end];
            end += unitLength(text, end);
        }
        return end;
    }

    // A segment break next to a zero width space disappears instead of becoming a space.
    bool removesSegmentBreak(const QString &text, qsizetype after)
    {
        const QChar before = line().pendingSpace ? QChar(' ') : line().lastCharacter;
        return before == QChar(0x200B) || (after < text.size() && text[after] == QChar(0x200B));
    }

    void layOutGenerated(const GeneratedContent &generated)
    {
        switch (generated.kind) {
        case GeneratedContent::Nothing:
            return;
        case GeneratedContent::InlineText:
            layOutText(generated.text, generated.whiteSpace, TextTransform::None, false, -1);
            return;
        case GeneratedContent::AtomicInline:
            content();
            return;
        case GeneratedContent::Block:
            endLine();
            return;
        }
    }

    // --- Tables ------------------------------------------------------------------------------

    bool isRenderedWithDisplay(int at, Display display) const
    {
        const DomNode &node = m_dom.node(at);
        return node.kind == DomNode::Element && m_styles[size_t(at)].rendered
            && m_styles[size_t(at)].display == display;
    }

    bool hasLaterCell(int cell) const
    {
        for (int at = m_dom.node(cell).nextSibling; at >= 0; at = m_dom.node(at).nextSibling) {
            if (isRenderedWithDisplay(at, Display::TableCell))
                return true;
        }
        return false;
    }

    static bool isRowGroup(Display display)
    {
        return display == Display::TableRowGroup || display == Display::TableHeaderGroup
            || display == Display::TableFooterGroup;
    }

    bool hasLaterRow(int row) const
    {
        for (int at = m_dom.node(row).nextSibling; at >= 0; at = m_dom.node(at).nextSibling) {
            if (isRenderedWithDisplay(at, Display::TableRow))
                return true;
        }
        const int section = m_dom.node(row).parent;
        if (section < 0 || !isRowGroup(m_styles[size_t(section)].display))
            return false;
        for (int at = m_dom.node(section).nextSibling; at >= 0; at = m_dom.node(at).nextSibling) {
            if (m_dom.node(at).kind != DomNode::Element || !m_styles[size_t(at)].rendered
                || !isRowGroup(m_styles[size_t(at)].display))
                continue;
            for (int child = m_dom.node(at).firstChild; child >= 0;
                 child = m_dom.node(child).nextSibling) {
                if (isRenderedWithDisplay(child, Display::TableRow))
                    return true;
            }
        }
        return false;
    }

    // --- Nodes -------------------------------------------------------------------------------

    // Whether an element gives items of its own. One whose content the browser skips
    // (content-visibility: hidden) gives none, though its box is laid out.
    static bool givesItems(const ComputedStyle &style)
    {
        return style.visibility == Visibility::Visible
            && style.contentVisibility != ContentVisibility::Hidden;
    }

    // A box in the line whose content is laid out in lines of its own: an inline-block and the
    // like, and a ruby, whose runs are each such a box (with its base and text apart within).
    static bool laysOutLinesApart(Display display)
    {
        return isAtomicInline(display) || display == Display::Ruby;
    }

    void enterText(int at)
    {
        const DomNode &node = m_dom.node(at);
        const ComputedStyle &style = m_styles[size_t(at)];
        if (!style.rendered || node.text.isEmpty())
            return;
        const Display container = style.display == Display::Contents ? style.parentBoxDisplay
                                                                     : style.display;
        const bool flexOrGrid = isFlexOrGrid(container);
        const bool tableBox = isTableBox(container);
        if (flexOrGrid || tableBox || isWebkitBox(container)) {
            // White space alone right inside a flex, grid or table box makes no box; other
            // text there is a box of its own, but in the old flexible box it joins the line
            // of the items around it, which stay inline.
            if (isBlank(node.text))
                return;
        }
        // In a table box, text shares one anonymous cell with the siblings around it that are
        // no parts of a table.
        const bool startsBox = flexOrGrid || (tableBox && !sharesAnonymousCell(at, false));
        const bool endsBox = flexOrGrid || (tableBox && !sharesAnonymousCell(at, true));
        if (startsBox)
            endLine();
        layOutText(node.text, style.whiteSpace, style.textTransform,
                   style.visibility == Visibility::Visible, at);
        if (endsBox)
            endLine();
    }

    static bool isBlank(const QString &text)
    {
        return std::all_of(text.begin(), text.end(), isCollapsibleSpace);
    }

    // Whether the nearest rendered sibling before or after a node right inside a table box is
    // one that the node's anonymous cell holds too: anything but a part of a table.
    bool sharesAnonymousCell(int at, bool after) const
    {
        const auto step = [&](int node) {
            return after ? m_dom.node(node).nextSibling : m_dom.node(node).previousSibling;
        };
        for (int sibling = step(at); sibling >= 0; sibling = step(sibling)) {
            const DomNode &node = m_dom.node(sibling);
            const ComputedStyle &style = m_styles[size_t(sibling)];
            if (node.kind == DomNode::Comment || !style.rendered
                || (node.kind == DomNode::Text && isBlank(node.text)))
                continue;
            if (node.kind == DomNode::Text)
                return true;
            return !isTableBox(style.display) && style.display != Display::TableCell
                && style.display != Display::TableCaption;
        }
        return false;
    }

    // Step 3, as it reads for a select: its box holds only those of its options and groups,
    // a group's block only its options, an option's block its text.
    void emitSelect(int select)
    {
        for (int child = m_dom.node(select).firstChild; child >= 0;
             child = m_dom.node(child).nextSibling) {
            if (m_dom.node(child).isElement("option")) {
                emitOption(child);
            } else if (m_dom.node(child).isElement("optgroup")) {
                // A group is a block of its own, even an empty one.
                emitRequiredLineBreaks(1);
                for (int option = m_dom.node(child).firstChild; option >= 0;
                     option = m_dom.node(option).nextSibling) {
                    if (m_dom.node(option).isElement("option"))
                        emitOption(option);
                }
                emitRequiredLineBreaks(1);
            }
        }
    }

    void emitOption(int option)
    {
        emitRequiredLineBreaks(1);
        emitText(optionText(m_dom, option));
        emitRequiredLineBreaks(1);
    }

    // A replaced element or a form control: a box in the line, a block, or a float or
    // positioned box, whose only text is that of a select's options.
    void layOutReplaced(int at)
    {
        const DomNode &node = m_dom.node(at);
        const ComputedStyle &style = m_styles[size_t(at)];
        const bool visible = style.visibility == Visibility::Visible;
        const bool outOfLine = style.floating || style.outOfFlow();
        const bool block = outOfLine || isBlockLevel(style.display);
        if (outOfLine) {
            // As for any float: the line around it goes on, its spaces collapsing across it.
            holdBreaksBeforePendingSpace();
            m_lines.push_back({});
        } else if (block) {
            endLine();
        } else {
            content();
        }
        if (block && visible)
            emitRequiredLineBreaks(1);
        if (visible && node.isElement("select"))
            emitSelect(at);
        else if (visible && node.isElement("option"))
            emitOption(at);
        if (block && visible)
            emitRequiredLineBreaks(1);
        if (outOfLine) {
            dropPendingSpace(line());
            m_lines.pop_back();
        } else if (block) {
            endLine();
        }
    }

    // Returns whether the children are to be walked (leave() follows then).
    bool enter(int at)
    {
        const DomNode &node = m_dom.node(at);
        // Step 4: a Text node gives the text of its boxes, after the white-space processing
        // rules and text-transform.
        if (node.kind == DomNode::Text) {
            enterText(at);
            return false;
        }
        const ComputedStyle &style = m_styles[size_t(at)];
        // Step 3: a node not being rendered gives nothing, nor does anything below it. A hidden
        // input makes no box, whatever display its style gives it.
        if (!style.rendered || isHiddenInput(node))
            return false;
        // Step 2: a node that is not visible gives no items of its own; its children's items
        // (step 1) still count.
        const bool visible = givesItems(style);
        const Display display = style.display;
        if (display == Display::Contents) {
            m_entered.push_back(at);
            return true;
        }
        if (display == Display::TableColumn || display == Display::TableColumnGroup)
            return false;
        if (node.isElement("wbr") && display == Display::Inline) {
            // A break opportunity, laid out as a zero-width space: a newline right after it
            // goes (see removesSegmentBreak()).
            line().lastCharacter = QChar(0x200B);
            return false;
        }
        // Step 5: a br gives a newline.
        if (node.isElement("br")) {
            m_firstLetterPending = false;
            endLine();
            if (visible)
                emitCharacter('\n');
            return false;
        }
        if (node.isElement("option") || node.isElement("select") || style.replaced) {
            layOutReplaced(at);
            return false;
        }

        const bool outOfLine = style.floating || style.outOfFlow();
        m_entered.push_back(at);
        if (outOfLine) {
            // Floats and positioned boxes leave the line as it is.
            holdBreaksBeforePendingSpace();
            m_lines.push_back({});
        } else if (laysOutLinesApart(display)) {
            content();
            m_lines.push_back({});
        } else if (display != Display::Inline) {
            endLine();
        }
        // Steps 8 and 9, at the start of the items: a p asks for two line breaks, any other
        // block-level box (a table caption among them) for one.
        if (visible) {
            if (node.isElement("p"))
                emitRequiredLineBreaks(2);
            else if (isBlockLevel(display))
                emitRequiredLineBreaks(1);
        }
        if (style.transformsFirstLetter) {
            m_firstLetterPending = true;
            m_firstLetterTransform = style.firstLetterTransform;
        }
        layOutGenerated(style.before);
        return true;
    }

    void leave(int at)
    {
        const DomNode &node = m_dom.node(at);
        const ComputedStyle &style = m_styles[size_t(at)];
        const Display display = style.display;
        if (display == Display::Contents)
            return;
        const bool visible = givesItems(style);
        layOutGenerated(style.after);
        const bool outOfLine = style.floating || style.outOfFlow();
        if (outOfLine || laysOutLinesApart(display)) {
            dropPendingSpace(line());
            m_lines.pop_back();
            if (!outOfLine)
                line().afterSpace = false;
        } else if (display != Display::Inline) {
            endLine();
        }
        if (!visible)
            return;
        // Step 6: a table cell but the last of its row is followed by a tab; step 7: a row but
        // the last of its table by a newline.
        if (display == Display::TableCell && hasLaterCell(at))
            emitCharacter('\t');
        else if (display == Display::TableRow && hasLaterRow(at))
            emitCharacter('\n');
        // Steps 8 and 9, at the end of the items.
        if (node.isElement("p"))
            emitRequiredLineBreaks(2);
        else if (isBlockLevel(display))
            emitRequiredLineBreaks(1);
    }

    const Dom &m_dom;
    const std::vector<ComputedStyle> &m_styles;
    QString m_text;
    int m_requiredLineBreaks = 0;
    std::vector<Line> m_lines;
    std::vector<int> m_linesHoldingBreaks; // lines with breaks held back, innermost last
    // The first letter of a block's first line is still to come, to be set in this case.
    bool m_firstLetterPending = false;
    TextTransform m_firstLetterTransform = TextTransform::None;
    std::vector<int> m_entered; // elements whose leave() is still to come, innermost last
};

} // namespace

QString innerText(const Dom &dom, const std::vector<ComputedStyle> &styles, int element)
{
    if (element < 0)
        return QString();
    const ComputedStyle &style = styles[size_t(element)];
    // Getter step 1: an element not being rendered gives its descendant text content.
    if (!style.rendered || style.display == Display::Contents)
        return dom.textContent(element);
    // Getter steps 2 and 3: the collection steps over each child, in tree order.
    return RenderedTextCollector(dom, styles).run(element);
}
