#pragma once

#include <QString>

// The computed values of the properties that decide a page's rendered text.

enum class Display : unsigned char {
    None,
    Contents,
    Inline,
    Block,
    InlineBlock,
    ListItem,
    FlowRoot,
    Table,
    InlineTable,
    TableRowGroup,
    TableHeaderGroup,
    TableFooterGroup,
    TableRow,
    TableCell,
    TableColumnGroup,
    TableColumn,
    TableCaption,
    Flex,
    InlineFlex,
    Grid,
    InlineGrid,
    Ruby,
    RubyText,
    WebkitBox,
    WebkitInlineBox // the old flexible box, whose items stay inline
};
enum class Visibility : unsigned char { Visible, Hidden, Collapse };
enum class WhiteSpace : unsigned char { Normal, Pre, Nowrap, PreWrap, PreLine, BreakSpaces };
enum class TextTransform : unsigned char { None, Capitalize, Uppercase, Lowercase };
enum class ContentVisibility : unsigned char { Visible, Auto, Hidden };
enum class Position : unsigned char { Static, Relative, Sticky, Absolute, Fixed };

// What a ::before or ::after box adds to the line: nothing, text, or a box. It never shows in
// the rendered text, but its white space joins the collapsing of the text around it.
struct GeneratedContent
{
    enum Kind : unsigned char { Nothing, InlineText, AtomicInline, Block };
    Kind kind = Nothing;
    QString text;
    WhiteSpace whiteSpace = WhiteSpace::Normal;
};

struct ComputedStyle
{
    Display display = Display::Inline;
    Visibility visibility = Visibility::Visible;
    WhiteSpace whiteSpace = WhiteSpace::Normal;
    TextTransform textTransform = TextTransform::None;
    ContentVisibility contentVisibility = ContentVisibility::Visible;
    // The side a box floats to: 0 for none, 1 left, 2 right (a box either floats or not, but
    // scripts read the side).
    unsigned char floating = 0;
    Position position = Position::Static;
    // -webkit-box-orient: vertical and a -webkit-line-clamp count, with which the old flexible
    // box lays out as a block.
    bool verticalBox = false;
    bool clampsLines = false;
    // False for an element that makes no box and none of whose content is rendered.
    bool rendered = false;
    // A replaced element or a form control, none of whose content the engine lays out as text:
    // its children are at most fallback content, or it draws inner parts of its own.
    bool replaced = false;
    // The display of the nearest ancestor that makes a box (display: contents makes none).
    Display parentBoxDisplay = Display::Block;
    GeneratedContent before;
    GeneratedContent after;
    // A ::first-letter that changes the case of the first letter of a block's first line.
    bool transformsFirstLetter = false;
    TextTransform firstLetterTransform = TextTransform::None;

    bool outOfFlow() const { return position == Position::Absolute || position == Position::Fixed; }
};

inline bool isBlockLevel(Display display)
{
    switch (display) {
    case Display::Block:
    case Display::ListItem:
    case Display::FlowRoot:
    case Display::Table:
    case Display::TableCaption:
    case Display::Flex:
    case Display::Grid:
    case Display::WebkitBox:
        return true;
    default:
        return false;
    }
}

inline bool isAtomicInline(Display display)
{
    return display == Display::InlineBlock || display == Display::InlineTable
        || display == Display::InlineFlex || display == Display::InlineGrid
        || display == Display::WebkitInlineBox;
}

inline bool isFlexOrGrid(Display display)
{
    return display == Display::Flex || display == Display::InlineFlex || display == Display::Grid
        || display == Display::InlineGrid;
}

inline bool isTableBox(Display display)
{
    return display == Display::Table || display == Display::InlineTable
        || display == Display::TableRowGroup || display == Display::TableHeaderGroup
        || display == Display::TableFooterGroup || display == Display::TableRow
        || display == Display::TableColumnGroup || display == Display::TableColumn;
}

inline bool isWebkitBox(Display display)
{
    return display == Display::WebkitBox || display == Display::WebkitInlineBox;
}

inline bool collapsesSpaces(WhiteSpace whiteSpace)
{
    return whiteSpace == WhiteSpace::Normal || whiteSpace == WhiteSpace::Nowrap
        || whiteSpace == WhiteSpace::PreLine;
}
