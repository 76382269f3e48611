#include "engine/fast/knownscripts/KnownScripts.h"

#include "engine/fast/dom/Dom.h"
#include "engine/fast/dom/ScriptDetection.h"
#include "engine/fast/knownscripts/ScriptFamilies.h"
#include "engine/fast/knownscripts/ScriptFile.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <optional>

namespace {

// Known scripts that add scripts that add scripts: none goes deeper than this.
constexpr int maxRounds = 4;
// Each script that changes the document walks it: a page with more of them than any generator
// writes (ten or so) goes to the browser, so that no page makes the work grow with their number
// times its size.
constexpr size_t maxScripts = 64;
constexpr size_t maxScriptsWithEffects = 16;

// For measuring what the script runtime makes of the generators' pages in the models' place:
// with QUILLMERE_KNOWN_SCRIPTS=off no script is known, and every page with scripts goes to the
// runtime as a page of an unknown generator would.
bool modelsSwitchedOff()
{
    static const bool off = qgetenv("QUILLMERE_KNOWN_SCRIPTS") == "off";
    return off;
}

const std::vector<const std::vector<KnownScript> *> &families()
{
    static const std::vector<const std::vector<KnownScript> *> all{
        &sphinxScripts(),  &javadocScripts(), &asciidocScripts(),
        &doxygenScripts(), &mdbookScripts(),  &rustdocScripts()};
    return all;
}

QByteArray digestOf(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// The scripts known by the digest of their whole text.
const QHash<QByteArray, const KnownScript *> &scriptsByDigest()
{
    static const QHash<QByteArray, const KnownScript *> byDigest = [] {
        QHash<QByteArray, const KnownScript *> scripts;
        for (const auto *family : families()) {
            for (const KnownScript &script : *family) {
                if (script.sha256 && script.variableLiterals.isEmpty())
                    scripts.insert(QByteArray(script.sha256), &script);
            }
        }
        return scripts;
    }();
    return byDigest;
}

// The script's text with the contents of the string literals in `variable` left out, or
// nothing when one of them holds more than a relative path could.
std::optional<QByteArray> withLiteralsLeftOut(const QString &text, const QList<int> &variable)
{
    static const QRegularExpression relativePath(QStringLiteral("^[A-Za-z0-9_./~-]*$"));
    QString normalised;
    int literal = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar quote = text[at];
        normalised += quote;
        if (quote != '"' && quote != '\'' && quote != '`')
            continue;
        qsizetype end = at + 1;
        while (end < text.size() && text[end] != quote)
            end += text[end] == '\\' ? 2 : 1;
        const QString contents = text.mid(at + 1, end - at - 1);
        if (!variable.contains(literal++))
            normalised += contents;
        else if (!relativePath.match(contents).hasMatch())
            return std::nullopt;
        if (end < text.size())
            normalised += quote;
        at = end;
    }
    return normalised.toUtf8();
}

// Whether an inline script's text is the one whose digest is `sha256`, once the contents of the
// string literals counted in `variableLiterals` are left out, each of which may hold a relative
// path and nothing else.
bool isInlineScript(const QString &text, const char *sha256, const QList<int> &variableLiterals)
{
    const std::optional<QByteArray> normalised = withLiteralsLeftOut(text, variableLiterals);
    return normalised && digestOf(*normalised) == sha256;
}

const KnownScript *knownInlineScript(const QString &text)
{
    if (const KnownScript *script = scriptsByDigest().value(digestOf(text.toUtf8())))
        return script;
    for (const auto *family : families()) {
        for (const KnownScript &script : *family) {
            if (!script.sha256 || script.variableLiterals.isEmpty())
                continue;
            if (isInlineScript(text, script.sha256, script.variableLiterals))
                return &script;
        }
    }
    return nullptr;
}

// A data script, for one whose digest is not known.
const KnownScript *knownDataScript(const QString &path, const ScriptPage &page)
{
    for (const auto *family : families()) {
        for (const KnownScript &script : *family) {
            if (script.dataTest && script.dataTest(path, page))
                return &script;
        }
    }
    return nullptr;
}

std::optional<IdentifiedScript> identify(const Dom &dom, int element, const ScriptPage &page)
{
    const DomNode &node = dom.node(element);
    // A browser with modules skips a nomodule script; one in a drawing reads its URL elsewhere.
    if (node.ns != DomNode::Html || node.hasAttribute(QLatin1String("nomodule")))
        return std::nullopt;
    const QString source = node.attribute(QLatin1String("src"));
    if (source.isNull()) {
        const KnownScript *script = knownInlineScript(dom.textContent(element));
        return script ? std::optional<IdentifiedScript>({element, script, {}}) : std::nullopt;
    }
    const std::optional<QString> path = scriptFilePath(source, page.path);
    const std::optional<QByteArray> digest = path ? scriptFileDigest(*path) : std::nullopt;
    if (!digest)
        return std::nullopt;
    const KnownScript *script = scriptsByDigest().value(*digest);
    if (!script)
        script = knownDataScript(*path, page);
    return script ? std::optional<IdentifiedScript>({element, script, *path}) : std::nullopt;
}

// The page a refresh and its one script send the browser to, when that script is a known
// redirect.
QString redirectTarget(const Dom &dom, const PageScripts &scripts, ScriptPage &page)
{
    if (scripts.elements.size() != 1)
        return {};
    const std::optional<IdentifiedScript> script = identify(dom, scripts.elements.front(), page);
    if (!script || !script->known->redirect)
        return {};
    page.scripts = {*script};
    return script->known->redirect(dom, script->element, page);
}

} // namespace

KnownScriptsRun runKnownScripts(Dom &dom, ScriptPage page)
{
    const PageScripts scripts = findPageScripts(dom);
    // Scripts are verified where relative URLs start from the page itself.
    if (scripts.otherScript
        || (!scripts.elements.empty() && page.baseUrl != QUrl::fromLocalFile(page.path)))
        return {BrowserReason::UnknownScript, {}};
    if (!scripts.refreshes.empty())
        return {BrowserReason::Refresh,
                modelsSwitchedOff() ? QString() : redirectTarget(dom, scripts, page)};
    if (modelsSwitchedOff())
        return {BrowserReason::UnknownScript, {}};
    // A known script may add scripts of its own, which the browser then runs too: each round
    // identifies the scripts not seen yet and runs what they do, until no new one comes.
    Dom edited = dom;
    std::map<int, IdentifiedScript> identified;
    size_t withEffects = 0;
    bool edits = false;
    for (int round = 0; round < maxRounds; ++round) {
        // The first round's tree is the page's own, whose scripts are found already.
        const std::vector<int> elements = round == 0 ? scripts.elements
                                                     : findPageScripts(edited).elements;
        std::vector<std::pair<int, ScriptEffect>> effects;
        page.scripts.clear();
        for (int element : elements) {
            auto found = identified.find(element);
            if (found == identified.end()) {
                const std::optional<IdentifiedScript> script = identify(edited, element, page);
                // A redirect's script is known only beside its refresh.
                if (identified.size() >= maxScripts || !script || script->known->redirect)
                    return {BrowserReason::UnknownScript, {}};
                if (script->known->effect && ++withEffects > maxScriptsWithEffects)
                    return {BrowserReason::UnknownScript, {}};
                if (script->known->effect)
                    effects.emplace_back(element, script->known->effect);
                found = identified.emplace(element, *script).first;
            }
            page.scripts.push_back(found->second);
        }
        if (effects.empty()) {
            if (edits) {
                edited.finishEditing();
                dom = std::move(edited);
            }
            return {};
        }
        for (auto [element, effect] : effects) {
            if (!effect(edited, element, page))
                return {BrowserReason::UnknownScript, {}};
        }
        edits = true;
    }
    return {BrowserReason::UnknownScript, {}};
}

qsizetype largestRedirectPage()
{
    static const qsizetype largest = [] {
        qsizetype bytes = 0;
        for (const auto *family : families()) {
            for (const KnownScript &script : *family)
                bytes = std::max(bytes, script.redirectPageBytes);
        }
        return bytes;
    }();
    return largest;
}
