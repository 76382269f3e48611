#pragma once

#include "engine/fast/css/Style.h"

#include <iterator>
#include <span>
#include <string_view>
#include <type_traits>

// The properties that decide a page's rendered text, one row each: its name, whether it is
// inherited, its keywords and the field of the computed style they land in. Every other
// property is dropped as a sheet is read. Adding a property is adding a row (and its field).

struct CssKeyword
{
    std::string_view name;
    int value;
};

struct PropertyRow
{
    std::string_view name;
    bool inherited;
    std::span<const CssKeyword> keywords; // none for `content`, whose value is parsed apart
    void (*store)(ComputedStyle &style, int value);
    int (*load)(const ComputedStyle &style);
};

namespace properties {

template <auto field>
void storeIn(ComputedStyle &style, int value)
{
    using Field = std::remove_cvref_t<decltype(style.*field)>;
    style.*field = Field(value);
}

template <auto field>
int loadFrom(const ComputedStyle &style)
{
    return int(style.*field);
}

inline constexpr CssKeyword display[] = {{"none", int(Display::None)},
                                         {"contents", int(Display::Contents)},
                                         {"inline", int(Display::Inline)},
                                         {"block", int(Display::Block)},
                                         {"inline-block", int(Display::InlineBlock)},
                                         {"list-item", int(Display::ListItem)},
                                         {"flow-root", int(Display::FlowRoot)},
                                         {"run-in", int(Display::Block)},
                                         {"table", int(Display::Table)},
                                         {"inline-table", int(Display::InlineTable)},
                                         {"table-row-group", int(Display::TableRowGroup)},
                                         {"table-header-group", int(Display::TableHeaderGroup)},
                                         {"table-footer-group", int(Display::TableFooterGroup)},
                                         {"table-row", int(Display::TableRow)},
                                         {"table-cell", int(Display::TableCell)},
                                         {"table-column-group", int(Display::TableColumnGroup)},
                                         {"table-column", int(Display::TableColumn)},
                                         {"table-caption", int(Display::TableCaption)},
                                         {"flex", int(Display::Flex)},
                                         {"inline-flex", int(Display::InlineFlex)},
                                         {"-webkit-box", int(Display::WebkitBox)},
                                         {"-webkit-inline-box", int(Display::WebkitInlineBox)},
                                         {"-webkit-flex", int(Display::Flex)},
                                         {"-webkit-inline-flex", int(Display::InlineFlex)},
                                         {"grid", int(Display::Grid)},
                                         {"inline-grid", int(Display::InlineGrid)},
                                         {"ruby", int(Display::Ruby)},
                                         {"ruby-text", int(Display::RubyText)}};
inline constexpr CssKeyword visibility[] = {{"visible", int(Visibility::Visible)},
                                            {"hidden", int(Visibility::Hidden)},
                                            {"collapse", int(Visibility::Collapse)}};
inline constexpr CssKeyword whiteSpace[] = {
    {"normal", int(WhiteSpace::Normal)},    {"pre", int(WhiteSpace::Pre)},
    {"nowrap", int(WhiteSpace::Nowrap)},    {"pre-wrap", int(WhiteSpace::PreWrap)},
    {"pre-line", int(WhiteSpace::PreLine)}, {"break-spaces", int(WhiteSpace::BreakSpaces)}};
inline constexpr CssKeyword textTransform[] = {{"none", int(TextTransform::None)},
                                               {"capitalize", int(TextTransform::Capitalize)},
                                               {"uppercase", int(TextTransform::Uppercase)},
                                               {"lowercase", int(TextTransform::Lowercase)}};
inline constexpr CssKeyword contentVisibility[] = {{"visible", int(ContentVisibility::Visible)},
                                                   {"auto", int(ContentVisibility::Auto)},
                                                   {"hidden", int(ContentVisibility::Hidden)}};
inline constexpr CssKeyword floating[] = {{"left", 1}, {"right", 2}, {"none", 0}};
inline constexpr CssKeyword position[] = {{"static", int(Position::Static)},
                                          {"relative", int(Position::Relative)},
                                          {"sticky", int(Position::Sticky)},
                                          {"absolute", int(Position::Absolute)},
                                          {"fixed", int(Position::Fixed)}};
inline constexpr CssKeyword boxOrient[] = {
    {"horizontal", 0}, {"vertical", 1}, {"inline-axis", 0}, {"block-axis", 1}};
// A count of lines stands for the pseudo-keyword "<count>" (see parseKeywordValue()).
inline constexpr CssKeyword lineClamp[] = {{"none", 0}, {"<count>", 1}};

inline constexpr PropertyRow rows[] = {
    {"display", false, display, storeIn<&ComputedStyle::display>,
     loadFrom<&ComputedStyle::display>},
    {"visibility", true, visibility, storeIn<&ComputedStyle::visibility>,
     loadFrom<&ComputedStyle::visibility>},
    {"white-space", true, whiteSpace, storeIn<&ComputedStyle::whiteSpace>,
     loadFrom<&ComputedStyle::whiteSpace>},
    {"text-transform", true, textTransform, storeIn<&ComputedStyle::textTransform>,
     loadFrom<&ComputedStyle::textTransform>},
    {"content-visibility", false, contentVisibility, storeIn<&ComputedStyle::contentVisibility>,
     loadFrom<&ComputedStyle::contentVisibility>},
    {"float", false, floating, storeIn<&ComputedStyle::floating>,
     loadFrom<&ComputedStyle::floating>},
    {"position", false, position, storeIn<&ComputedStyle::position>,
     loadFrom<&ComputedStyle::position>},
    {"-webkit-box-orient", false, boxOrient, storeIn<&ComputedStyle::verticalBox>,
     loadFrom<&ComputedStyle::verticalBox>},
    {"-webkit-line-clamp", false, lineClamp, storeIn<&ComputedStyle::clampsLines>,
     loadFrom<&ComputedStyle::clampsLines>},
    {"content", false, {}, nullptr, nullptr},
};

} // namespace properties

// A property's row in the table.
using PropertyId = unsigned char;
inline constexpr int propertyCount = int(std::size(properties::rows));

inline const PropertyRow &propertyRow(PropertyId id)
{
    return properties::rows[id];
}

// The row of a property named in the engine's own code; an unknown name does not compile.
consteval PropertyId propertyNamed(std::string_view name)
{
    for (int i = 0; i < propertyCount; ++i) {
        if (properties::rows[i].name == name)
            return PropertyId(i);
    }
    throw "no such property in the table";
}
