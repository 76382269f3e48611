#include "engine/fast/css/MediaQuery.h"

#include "engine/fast/css/CssTokenizer.h"
#include "engine/fast/css/MediaFeature.h"

// The grammar is that of a media query before Media Queries Level 4 added "or", "not" before a
// condition, nesting and range comparisons: the browser engine pages are compared with reads
// those as "not all", and so does this.
namespace {

CssTokenRun tokenized(QStringView text)
{
    CssTokenRun run;
    run.source = text;
    CssTokenizer tokenizer(text);
    for (CssToken token = tokenizer.next(); !token.is(CssToken::End) && !run.overflowed;
         token = tokenizer.next())
        run.append(std::move(token));
    run.findBlocks();
    return run;
}

// The component values of [from, to) without white space: a block counts as its opening token.
std::vector<int> componentsOf(const CssTokenRun &run, int from, int to)
{
    std::vector<int> components;
    for (int at = from; at < to; at = run.after(at)) {
        if (!run[at].is(CssToken::Whitespace))
            components.push_back(at);
    }
    return components;
}

// "( name )" or "( name : value )"; an unclosed block ends with the list.
MediaFeatureResult featureHolds(const CssTokenRun &run, int open)
{
    const std::vector<int> parts = componentsOf(run, open + 1,
                                                std::min(run[open].match, run.size()));
    if (parts.empty() || !run[parts[0]].is(CssToken::Ident))
        return MediaFeatureResult::Invalid;
    const QString name = run[parts[0]].value.toLower();
    if (parts.size() == 1)
        return mediaFeatureHolds(name, nullptr);
    if (parts.size() == 2 || !run[parts[1]].is(CssToken::Colon))
        return MediaFeatureResult::Invalid;
    const MediaFeatureValue value{run, std::vector<int>(parts.begin() + 2, parts.end())};
    return mediaFeatureHolds(name, &value);
}

bool isMediaTypeKeyword(const CssToken &token)
{
    for (const char *reserved : {"not", "only", "and", "or"}) {
        if (token.isIdent(QLatin1String(reserved)))
            return false;
    }
    return token.is(CssToken::Ident);
}

// One query of a list, its component values given:
//   [not | only]? media-type [and (feature)]*  or  (feature) [and (feature)]*
bool queryMatches(const CssTokenRun &run, const std::vector<int> &parts)
{
    size_t at = 0;
    auto isIdent = [&](const char *name) {
        return at < parts.size() && run[parts[at]].isIdent(QLatin1String(name));
    };
    const bool negated = isIdent("not");
    if (negated || isIdent("only"))
        ++at;
    bool result = true;
    if (at < parts.size() && run[parts[at]].is(CssToken::Ident)) {
        if (!isMediaTypeKeyword(run[parts[at]]))
            return false;
        result = run[parts[at]].isIdent(QLatin1String("all"))
            || run[parts[at]].isIdent(QLatin1String("screen"));
        if (++at == parts.size())
            return negated != result;
        if (!isIdent("and"))
            return false;
        ++at;
    } else if (at > 0) {
        return false; // "not" and "only" stand before a media type only
    }
    for (;; ++at) {
        if (at >= parts.size() || !run[parts[at]].is(CssToken::OpenParen))
            return false;
        const MediaFeatureResult feature = featureHolds(run, parts[at++]);
        if (feature == MediaFeatureResult::Invalid)
            return false; // the whole query is "not all"
        result = result && feature == MediaFeatureResult::True;
        if (at == parts.size())
            return negated != result;
        if (!isIdent("and"))
            return false;
    }
}

} // namespace

bool mediaMatches(QStringView mediaList)
{
    const CssTokenRun run = tokenized(mediaList);
    if (run.skipSpace(0, run.size()) == run.size())
        return true;
    int start = 0;
    for (int at = 0;; at = run.after(at)) {
        const bool ends = at >= run.size() || run[at].is(CssToken::Comma);
        // A list longer than the run keeps is read up to its last whole query.
        if (at >= run.size() && run.overflowed)
            return false;
        if (ends && queryMatches(run, componentsOf(run, start, std::min(at, run.size()))))
            return true;
        if (at >= run.size())
            return false;
        if (ends)
            start = at + 1;
    }
}
