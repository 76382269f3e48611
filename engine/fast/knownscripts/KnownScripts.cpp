#include "engine/fast/knownscripts/KnownScripts.h"

#include "engine/fast/dom/Dom.h"
#include "engine/fast/dom/ScriptDetection.h"
#include "engine/fast/knownscripts/ScriptFamilies.h"
#include "engine/fast/knownscripts/ScriptFile.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>

#include <optional>
#include <set>

namespace {

// Known scripts that add scripts that add scripts: none goes deeper than this.
constexpr int maxRounds = 4;
// Each script that changes the document walks it: a page with more of them than any generator
// writes (ten or so) goes to the browser, so that no page makes the work grow with their number
// times its size.
constexpr size_t maxScripts = 64;
constexpr size_t maxScriptsWithEffects = 16;

const std::vector<const std::vector<KnownScript> *> &families()
{
    static const std::vector<const std::vector<KnownScript> *> all{&sphinxScripts(), &javadocScripts(),
                                                                   &asciidocScripts(), &doxygenScripts(),
                                                                   &mdbookScripts(), &rustdocScripts()};
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
const KnownScript *knownDataScript(const QString &path, const QString &pagePath)
{
    for (const auto *family : families()) {
        for (const KnownScript &script : *family) {
            if (script.dataTest && script.dataTest(path, pagePath))
                return &script;
        }
    }
    return nullptr;
}

const KnownScript *knownScript(const Dom &dom, int element, const QString &pagePath)
{
    const DomNode &node = dom.node(element);
    // A browser with modules skips a nomodule script; one in a drawing reads its URL elsewhere.
    if (node.ns != DomNode::Html || node.hasAttribute(QLatin1String("nomodule")))
        return nullptr;
    const QString source = node.attribute(QLatin1String("src"));
    if (source.isNull())
        return knownInlineScript(dom.textContent(element));
    const std::optional<QString> path = scriptFilePath(source, pagePath);
    const std::optional<QByteArray> digest = path ? scriptFileDigest(*path) : std::nullopt;
    if (!digest)
        return nullptr;
    const KnownScript *script = scriptsByDigest().value(*digest);
    return script ? script : knownDataScript(*path, pagePath);
}

bool hasBaseUrl(const Dom &dom)
{
    for (int at = 0; at < dom.size(); ++at) {
        if (dom.node(at).isElement("base") && dom.node(at).hasAttribute(QLatin1String("href")))
            return true;
    }
    return false;
}

} // namespace

bool runKnownScripts(Dom &dom, const QString &pagePath)
{
    const PageScripts scripts = findPageScripts(dom);
    if (scripts.otherScript || !scripts.refreshes.empty() || (!scripts.elements.empty() && hasBaseUrl(dom)))
        return false;
    // A known script may add scripts of its own, which the browser then runs too: each round
    // identifies the scripts not seen yet and runs what they do, until no new one comes.
    Dom edited = dom;
    std::set<int> seen;
    size_t withEffects = 0;
    bool edits = false;
    for (int round = 0; round < maxRounds; ++round) {
        std::vector<std::pair<int, ScriptEffect>> effects;
        for (int element : findPageScripts(edited).elements) {
            if (!seen.insert(element).second)
                continue;
            if (seen.size() > maxScripts)
                return false;
            const KnownScript *script = knownScript(edited, element, pagePath);
            if (!script)
                return false;
            if (script->effect && ++withEffects > maxScriptsWithEffects)
                return false;
            if (script->effect)
                effects.emplace_back(element, script->effect);
        }
        if (effects.empty()) {
            if (edits) {
                edited.finishEditing();
                dom = std::move(edited);
            }
            return true;
        }
        for (auto [element, effect] : effects) {
            if (!effect(edited, element, pagePath))
                return false;
        }
        edits = true;
    }
    return false;
}

bool isInlineScript(const QString &text, const char *sha256, const QList<int> &variableLiterals)
{
    const std::optional<QByteArray> normalised = withLiteralsLeftOut(text, variableLiterals);
    return normalised && digestOf(*normalised) == sha256;
}
