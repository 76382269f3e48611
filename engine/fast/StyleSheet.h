#pragma once

#include "engine/fast/Selector.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <vector>

// The properties that decide a page's rendered text; every other property is dropped as the
// sheet is read.
enum class Property : unsigned char {
    Display, Visibility, WhiteSpace, TextTransform, ContentVisibility, Float, Position, Content,
    Count
};

struct Declaration
{
    Property property;
    QString value; // lower case, trimmed, without "!important" (but `content` keeps its case)
    bool important = false;
};

struct StyleRule
{
    std::vector<ComplexSelector> selectors;
    std::vector<Declaration> declarations;
    // 0 for a rule in no cascade layer, else its layer's place in the page's LayerOrder, from 1.
    int layer = 0;
};

// The names of a page's cascade layers (@layer) in the order they were first named.
using LayerOrder = QStringList;

// Reads a style sheet at `path` (an @import's target), or gives a null string when it cannot.
using SheetLoader = std::function<QString(const QString &path)>;

// Appends the rules of a style sheet that apply to a 1280 x 720 screen to `rules`, in cascade
// order, with the rules of each @import in its place. `base` is the URL its @imports are
// relative to; `loader` reads imported sheets (nothing is imported without one).
void appendStyleRules(const QString &sheet, const QUrl &base, const SheetLoader &loader,
                      std::vector<StyleRule> &rules, LayerOrder &layers);

// The declarations of a style attribute.
std::vector<Declaration> parseDeclarations(const QString &text);

// Whether a media query list (a media attribute or an @media prelude) holds for the window.
bool mediaMatches(const QString &mediaList);

// The local file that a style sheet reference names, relative to `base`, or an empty string
// when it is not a local file.
QString localPathFor(const QString &reference, const QUrl &base);
