#pragma once

#include "engine/fast/css/PropertyTable.h"
#include "engine/fast/css/Selector.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <vector>

// The keywords every property takes.
enum class CssWideKeyword : unsigned char { None, Inherit, Initial, Unset, Revert };

// What a `content` value puts into a ::before or ::after box.
struct ContentValue
{
    struct Part
    {
        bool attribute = false; // `text` names the element's attribute whose value is shown
        QString text;
    };
    std::vector<Part> parts;
    bool hasString = false; // even an empty one makes an inline box
    bool replaced = false;  // an image or other content that makes an atomic box
};

// A declaration whose value was checked and parsed as the sheet was read; invalid ones are
// never kept.
struct Declaration
{
    PropertyId property = 0;
    CssWideKeyword wide = CssWideKeyword::None;
    bool important = false;
    int value = 0;        // the keyword's value, as it lands in the computed style
    ContentValue content; // for `content` only
};

// What the rightmost compound of a selector asks for first, by which rules are filed.
struct SelectorKey
{
    enum Kind : unsigned char { Universal, Type, Id, Class };
    Kind kind;
    QString name;
};

struct StyleRule
{
    std::vector<ComplexSelector> selectors;
    std::vector<SelectorKey> keys; // one for each selector
    std::vector<Declaration> declarations;
    // 0 for a rule in no cascade layer of its sheet, else its layer's place in the sheet's
    // `layers`, from 1.
    int layer = 0;
};

// A style sheet as read: rules with their selectors and values parsed, its @imports and the
// cascade layers it names. It holds nothing of the page that uses it, so that one parse serves
// every page that links the sheet.
struct StyleSheet
{
    struct Import
    {
        QString path;  // a local file
        int layer = 0; // the layer of this sheet its rules go into, from 1, or 0
    };
    // Layer names and imports in the sheet's order, which decides the order of the layers.
    struct Item
    {
        enum Kind : unsigned char { LayerName, ImportedSheet };
        Kind kind;
        int index;
    };

    std::vector<Item> items;
    // Names relative to the sheet ("a.b"); an anonymous layer's name has a part starting with
    // U+0001, which no page can write.
    QStringList layers;
    std::vector<Import> imports;
    std::vector<StyleRule> rules; // every rule after every import, as CSS has them
    qsizetype sourceSize = 0;
    // Whether a rule was left out that the browser reads: its selector nests deeper, or its
    // prelude is longer, than is followed here. The sheet then styles no page exactly.
    bool rulesBeyondReach = false;
};

// Reads a style sheet's text. `base` is the URL its @imports are relative to; only the
// @imports and rules that apply to a 1280 x 720 screen are kept.
StyleSheet parseStyleSheet(QStringView text, const QUrl &base);

// The declarations of a style attribute.
std::vector<Declaration> parseDeclarations(QStringView text);

// The local file that a style sheet reference names, relative to `base`, or an empty string
// when it is not a local file.
QString localPathFor(const QString &reference, const QUrl &base);
