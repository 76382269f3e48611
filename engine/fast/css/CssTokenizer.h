#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// One token of CSS Syntax Level 3 ("Tokenization").
struct CssToken
{
    enum Type : unsigned char {
        Ident,
        Function,
        AtKeyword,
        Hash,
        String,
        BadString,
        Url,
        BadUrl,
        Delim,
        Number,
        Percentage,
        Dimension,
        Whitespace,
        Cdo,
        Cdc,
        Colon,
        Semicolon,
        Comma,
        OpenSquare,
        CloseSquare,
        OpenParen,
        CloseParen,
        OpenCurly,
        CloseCurly,
        End
    };
    Type type = End;
    bool isId = false;      // a hash token whose name would start an identifier
    bool isInteger = false; // a numeric token written without a fraction or an exponent
    QChar delim;
    double number = 0;
    QString value;       // name, string, URL or unit, escapes resolved
    qsizetype start = 0; // where the token lies in the source
    qsizetype end = 0;
    int match = -1; // in a CssTokenRun: for an opening bracket or function, its closing token

    bool is(Type wanted) const { return type == wanted; }
    bool isDelim(char c) const { return type == Delim && delim == QLatin1Char(c); }
    // An identifier equal to `lowerCaseName` in ASCII case-insensitive comparison.
    bool isIdent(QLatin1StringView lowerCaseName) const;
    bool opensBlock() const
    {
        return type == Function || type == OpenParen || type == OpenSquare || type == OpenCurly;
    }
};

// Cuts CSS text into tokens one at a time, each character looked at a bounded number of times.
// Comments vanish; the source's newline and NUL rules are applied on the fly.
class CssTokenizer
{
public:
    explicit CssTokenizer(QStringView source) : m_text(source) {}

    // The next token; an End token once the text is used up.
    CssToken next();
    QStringView source() const { return m_text; }

private:
    QChar at(qsizetype offset) const
    {
        return m_at + offset < m_text.size() ? m_text[m_at + offset] : QChar();
    }
    bool atEnd(qsizetype offset = 0) const { return m_at + offset >= m_text.size(); }
    void skipComments();
    bool validEscapeAt(qsizetype offset) const;
    bool startsIdentifierAt(qsizetype offset) const;
    bool startsNumberAt(qsizetype offset) const;
    void consumeEscape(QString &out);
    QString consumeName();
    void consumeNumber(CssToken &token);
    void consumeNumeric(CssToken &token);
    void consumeIdentLike(CssToken &token);
    void consumeString(CssToken &token, QChar quote);
    void consumeUrl(CssToken &token);
    void consumeBadUrlRemnants();

    QStringView m_text;
    qsizetype m_at = 0;
};

// A short run of tokens (a rule's prelude, a declaration's value) held whole, with each
// opening bracket's closing token found, so that parsers can step over blocks in one move.
// Longer runs than `maxTokens` are not kept: no selector or value needs that many.
struct CssTokenRun
{
    static constexpr int maxTokens = 1 << 16;

    std::vector<CssToken> tokens;
    QStringView source;
    bool overflowed = false;

    void append(CssToken token);
    // Pairs brackets; an unclosed one runs to the end.
    void findBlocks();
    int size() const { return int(tokens.size()); }
    const CssToken &operator[](int index) const { return tokens[size_t(index)]; }
    // The index after the component value that starts at `index`.
    int after(int index) const;
    int skipSpace(int index, int end) const;
    // The source text from token `from` up to (not including) token `to`.
    QStringView text(int from, int to) const;
    // [from, to) without white space at either end.
    void trim(int &from, int &to) const;
};
