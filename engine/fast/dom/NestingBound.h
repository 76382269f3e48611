#pragma once

#include "engine/HtmlTagScanner.h"

#include <QByteArray>
#include <QHash>

#include <vector>

// Follows how deep the elements of a page nest, as far as a quick look at its tags tells, and
// picks the start tags (and their end tags) that lie too deep to be given to the HTML parser:
// the parser searches its stack of open elements for nearly every tag, so a page nested tens of
// thousands deep would cost time with the square of its size. A browser keeps no tree deeper
// than a few hundred elements anyway (see Dom::parse()), so wrappers that deep hold no text of
// their own that could be placed differently.
class NestingBound
{
public:
    explicit NestingBound(QByteArrayView page) : m_page(page) {}

    // Whether `tag`, the next tag of the page, is to be left out.
    bool leavesOut(const HtmlTagScanner::Tag &tag);

private:
    struct OpenElement
    {
        QByteArray name;
        bool leftOut;
    };

    bool leavesOutStart(const HtmlTagScanner::Tag &tag);
    bool leavesOutEnd(const HtmlTagScanner::Tag &tag);
    void closeImplied(const QByteArray &name);
    void pop();

    QByteArrayView m_page;
    std::vector<OpenElement> m_open;
    QHash<QByteArray, int> m_openByName;
};
