#include "engine/fast/css/CssTokenizer.h"

#include "engine/fast/dom/HexDigit.h"

namespace {

bool isNewline(QChar c)
{
    return c == '\n' || c == '\r' || c == '\f';
}

bool isWhitespace(QChar c)
{
    return c == ' ' || c == '\t' || isNewline(c);
}

bool isDigit(QChar c)
{
    return c >= '0' && c <= '9';
}

bool isNameStart(QChar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c.unicode() >= 0x80;
}

bool isNameCodePoint(QChar c)
{
    return isNameStart(c) || isDigit(c) || c == '-';
}

bool isNonPrintable(QChar c)
{
    const char16_t u = c.unicode();
    return u <= 0x08 || u == 0x0B || (u >= 0x0E && u <= 0x1F) || u == 0x7F;
}

// NUL becomes U+FFFD, as the input stream's preprocessing asks.
void appendCodePoint(QString &out, QChar c)
{
    out += c.unicode() == 0 ? QChar(0xFFFD) : c;
}

} // namespace

bool CssToken::isIdent(QLatin1StringView lowerCaseName) const
{
    return type == Ident && value.compare(lowerCaseName, Qt::CaseInsensitive) == 0;
}

// "Consume comments".
void CssTokenizer::skipComments()
{
    while (at(0) == '/' && at(1) == '*') {
        const qsizetype close = m_text.indexOf(u"*/", m_at + 2);
        m_at = close < 0 ? m_text.size() : close + 2;
    }
}

// "Check if two code points are a valid escape".
bool CssTokenizer::validEscapeAt(qsizetype offset) const
{
    return at(offset) == '\\' && !atEnd(offset + 1) && !isNewline(at(offset + 1));
}

// "Check if three code points would start an ident sequence".
bool CssTokenizer::startsIdentifierAt(qsizetype offset) const
{
    const QChar first = at(offset);
    if (first == '-')
        return (!atEnd(offset + 1) && isNameStart(at(offset + 1))) || at(offset + 1) == '-'
            || validEscapeAt(offset + 1);
    if (!atEnd(offset) && isNameStart(first))
        return true;
    return validEscapeAt(offset);
}

// "Check if three code points would start a number".
bool CssTokenizer::startsNumberAt(qsizetype offset) const
{
    const QChar first = at(offset);
    if (first == '+' || first == '-')
        return isDigit(at(offset + 1)) || (at(offset + 1) == '.' && isDigit(at(offset + 2)));
    if (first == '.')
        return isDigit(at(offset + 1));
    return isDigit(first);
}

// "Consume an escaped code point", the backslash included.
void CssTokenizer::consumeEscape(QString &out)
{
    ++m_at;
    if (atEnd()) {
        out += QChar(0xFFFD);
        return;
    }
    if (hexDigitValue(at(0).unicode()) < 0) {
        appendCodePoint(out, m_text[m_at++]);
        return;
    }
    char32_t code = 0;
    for (int digits = 0; digits < 6 && hexDigitValue(at(0).unicode()) >= 0; ++digits, ++m_at)
        code = code * 16 + char32_t(hexDigitValue(m_text[m_at].unicode()));
    if (at(0) == '\r' && at(1) == '\n')
        m_at += 2;
    else if (!atEnd() && isWhitespace(at(0)))
        ++m_at;
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    out += QString::fromUcs4(&code, 1);
}

// "Consume an ident sequence".
QString CssTokenizer::consumeName()
{
    QString name;
    for (;;) {
        if (!atEnd() && isNameCodePoint(at(0)))
            appendCodePoint(name, m_text[m_at++]);
        else if (validEscapeAt(0))
            consumeEscape(name);
        else
            return name;
    }
}

// "Consume a number".
void CssTokenizer::consumeNumber(CssToken &token)
{
    const qsizetype start = m_at;
    if (at(0) == '+' || at(0) == '-')
        ++m_at;
    while (isDigit(at(0)))
        ++m_at;
    token.isInteger = true;
    if (at(0) == '.' && isDigit(at(1))) {
        token.isInteger = false;
        m_at += 2;
        while (isDigit(at(0)))
            ++m_at;
    }
    if ((at(0) == 'e' || at(0) == 'E')
        && (isDigit(at(1)) || ((at(1) == '+' || at(1) == '-') && isDigit(at(2))))) {
        token.isInteger = false;
        m_at += isDigit(at(1)) ? 1 : 2;
        while (isDigit(at(0)))
            ++m_at;
    }
    token.number = m_text.mid(start, m_at - start).toDouble();
}

// "Consume a numeric token".
void CssTokenizer::consumeNumeric(CssToken &token)
{
    consumeNumber(token);
    if (startsIdentifierAt(0)) {
        token.type = CssToken::Dimension;
        token.value = consumeName();
    } else if (at(0) == '%') {
        ++m_at;
        token.type = CssToken::Percentage;
    } else {
        token.type = CssToken::Number;
    }
}

// "Consume an ident-like token".
void CssTokenizer::consumeIdentLike(CssToken &token)
{
    token.value = consumeName();
    if (at(0) != '(') {
        token.type = CssToken::Ident;
        return;
    }
    ++m_at;
    if (token.value.compare(QLatin1String("url"), Qt::CaseInsensitive) != 0) {
        token.type = CssToken::Function;
        return;
    }
    qsizetype ahead = 0;
    while (!atEnd(ahead) && isWhitespace(at(ahead)))
        ++ahead;
    if (at(ahead) == '"' || at(ahead) == '\'') {
        token.type = CssToken::Function; // url("...") is a function holding a string
        return;
    }
    m_at += ahead;
    consumeUrl(token);
}

// "Consume a string token", the opening quote already consumed.
void CssTokenizer::consumeString(CssToken &token, QChar quote)
{
    token.type = CssToken::String;
    while (!atEnd()) {
        const QChar c = at(0);
        if (c == quote) {
            ++m_at;
            return;
        }
        if (isNewline(c)) {
            token.type = CssToken::BadString;
            return;
        }
        if (c == '\\') {
            if (atEnd(1))
                ++m_at;
            else if (at(1) == '\r' && at(2) == '\n')
                m_at += 3;
            else if (isNewline(at(1)))
                m_at += 2;
            else
                consumeEscape(token.value);
            continue;
        }
        appendCodePoint(token.value, c);
        ++m_at;
    }
}

// "Consume a url token", after "url(" and the white space that follows it.
void CssTokenizer::consumeUrl(CssToken &token)
{
    token.type = CssToken::Url;
    for (;;) {
        if (atEnd())
            return;
        const QChar c = at(0);
        if (c == ')') {
            ++m_at;
            return;
        }
        if (isWhitespace(c)) {
            while (!atEnd() && isWhitespace(at(0)))
                ++m_at;
            if (atEnd() || at(0) == ')') {
                m_at += atEnd() ? 0 : 1;
                return;
            }
            token.type = CssToken::BadUrl;
            consumeBadUrlRemnants();
            return;
        }
        if (c == '"' || c == '\'' || c == '(' || isNonPrintable(c)) {
            token.type = CssToken::BadUrl;
            consumeBadUrlRemnants();
            return;
        }
        if (c == '\\') {
            if (!validEscapeAt(0)) {
                token.type = CssToken::BadUrl;
                consumeBadUrlRemnants();
                return;
            }
            consumeEscape(token.value);
            continue;
        }
        appendCodePoint(token.value, c);
        ++m_at;
    }
}

// "Consume the remnants of a bad url".
void CssTokenizer::consumeBadUrlRemnants()
{
    while (!atEnd()) {
        if (at(0) == ')') {
            ++m_at;
            return;
        }
        if (validEscapeAt(0)) {
            QString ignored;
            consumeEscape(ignored);
        } else {
            ++m_at;
        }
    }
}

// "Consume a token".
CssToken CssTokenizer::next()
{
    skipComments();
    CssToken token;
    token.start = m_at;
    if (atEnd()) {
        token.end = m_at;
        return token;
    }
    const QChar c = m_text[m_at];
    auto single = [&](CssToken::Type type) {
        token.type = type;
        ++m_at;
    };
    if (isWhitespace(c)) {
        token.type = CssToken::Whitespace;
        while (!atEnd() && isWhitespace(at(0)))
            ++m_at;
    } else if (c == '"' || c == '\'') {
        ++m_at;
        consumeString(token, c);
    } else if (c == '#') {
        if ((!atEnd(1) && isNameCodePoint(at(1))) || validEscapeAt(1)) {
            ++m_at;
            token.type = CssToken::Hash;
            token.isId = startsIdentifierAt(0);
            token.value = consumeName();
        } else {
            token.delim = c;
            single(CssToken::Delim);
        }
    } else if (c == '(') {
        single(CssToken::OpenParen);
    } else if (c == ')') {
        single(CssToken::CloseParen);
    } else if (c == '[') {
        single(CssToken::OpenSquare);
    } else if (c == ']') {
        single(CssToken::CloseSquare);
    } else if (c == '{') {
        single(CssToken::OpenCurly);
    } else if (c == '}') {
        single(CssToken::CloseCurly);
    } else if (c == ',') {
        single(CssToken::Comma);
    } else if (c == ':') {
        single(CssToken::Colon);
    } else if (c == ';') {
        single(CssToken::Semicolon);
    } else if ((c == '+' || c == '-' || c == '.') && startsNumberAt(0)) {
        consumeNumeric(token);
    } else if (c == '-' && at(1) == '-' && at(2) == '>') {
        token.type = CssToken::Cdc;
        m_at += 3;
    } else if (c == '-' && startsIdentifierAt(0)) {
        consumeIdentLike(token);
    } else if (c == '<' && at(1) == '!' && at(2) == '-' && at(3) == '-') {
        token.type = CssToken::Cdo;
        m_at += 4;
    } else if (c == '@' && startsIdentifierAt(1)) {
        ++m_at;
        token.type = CssToken::AtKeyword;
        token.value = consumeName();
    } else if (isDigit(c)) {
        consumeNumeric(token);
    } else if (isNameStart(c) || validEscapeAt(0)) {
        consumeIdentLike(token);
    } else {
        token.delim = c;
        single(CssToken::Delim);
    }
    token.end = m_at;
    return token;
}

void CssTokenRun::append(CssToken token)
{
    if (int(tokens.size()) >= maxTokens) {
        overflowed = true;
        return;
    }
    tokens.push_back(std::move(token));
}

void CssTokenRun::findBlocks()
{
    std::vector<int> open;
    for (int i = 0; i < size(); ++i) {
        CssToken &token = tokens[size_t(i)];
        if (token.opensBlock()) {
            open.push_back(i);
            continue;
        }
        if (open.empty())
            continue;
        const CssToken::Type opener = tokens[size_t(open.back())].type;
        const bool closes = (token.type == CssToken::CloseParen
                             && (opener == CssToken::OpenParen || opener == CssToken::Function))
            || (token.type == CssToken::CloseSquare && opener == CssToken::OpenSquare)
            || (token.type == CssToken::CloseCurly && opener == CssToken::OpenCurly);
        if (closes) {
            tokens[size_t(open.back())].match = i;
            open.pop_back();
        }
    }
    for (int unclosed : open)
        tokens[size_t(unclosed)].match = size();
}

int CssTokenRun::after(int index) const
{
    const int match = (*this)[index].match;
    return match < 0 ? index + 1 : std::min(match + 1, size());
}

int CssTokenRun::skipSpace(int index, int end) const
{
    while (index < end && (*this)[index].is(CssToken::Whitespace))
        ++index;
    return index;
}

QStringView CssTokenRun::text(int from, int to) const
{
    if (from >= to || from >= size())
        return {};
    const qsizetype start = (*this)[from].start;
    const qsizetype end = to < size() ? (*this)[to].start : tokens.back().end;
    return source.mid(start, end - start);
}

void CssTokenRun::trim(int &from, int &to) const
{
    from = skipSpace(from, to);
    while (to > from && (*this)[to - 1].is(CssToken::Whitespace))
        --to;
}
