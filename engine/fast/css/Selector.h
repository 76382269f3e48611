#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

struct ComplexSelector;

// One condition of a compound selector beyond its type: an id, a class, an attribute test or
// a pseudo-class.
struct SimpleTest
{
    enum Kind : unsigned char {
        Id,
        Class,
        AttributeExists,
        AttributeEquals,
        AttributeWord,
        AttributeDashPrefix,
        AttributePrefix,
        AttributeSuffix,
        AttributeContains,
        NthChild,
        NthLastChild,
        NthOfType,
        NthLastOfType,
        OnlyChild,
        OnlyOfType,
        Root,
        Scope, // the element a query starts from; the root element in a style sheet
        Empty,
        AnyLink,
        Checked,
        Disabled,
        Enabled,
        Lang,
        Never,
        Always,
        Not,
        Is // with a list of selectors
    };
    Kind kind = Always;
    QString name;
    QString value;
    bool ignoreCase = false;
    int a = 0; // for the :nth- kinds, an+b
    int b = 0;
    std::vector<ComplexSelector> list;
};

struct CompoundSelector
{
    QString type; // empty for any element
    std::vector<SimpleTest> tests;
};

struct ComplexSelector
{
    enum Combinator : unsigned char { Descendant, Child, NextSibling, LaterSibling };
    enum PseudoElement : unsigned char {
        NoPseudoElement,
        Before,
        After,
        FirstLetter,
        OtherPseudoElement
    };

    std::vector<CompoundSelector> compounds; // left to right
    std::vector<Combinator> combinators;     // combinators[i] joins compounds[i] and [i + 1]
    PseudoElement pseudoElement = NoPseudoElement;
    int specificity = 0;

    // The rightmost compound's id, first class or type, by which rules are looked up.
    QString key() const;
};

// Whether any selector of the list, nested ones too, tests an element's place among its
// siblings (:nth-child(), :first-of-type...), which the matcher reads from counts kept on
// the tree's nodes.
bool testsSiblingPositions(const std::vector<ComplexSelector> &list);
