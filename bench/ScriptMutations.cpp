#include "ScriptMutations.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

constexpr qint64 largestScript = 1 << 20;

const QByteArrayList names{"document",    "window",     "this",       "innerHTML",
                           "appendChild", "length",     "body",       "prototype",
                           "constructor", "arguments",  "setTimeout", "addEventListener",
                           "textContent", "parentNode", "firstChild", "null",
                           "undefined",   "__proto__",  "eval"};

const QByteArrayList numbers{"0", "-1", "1e9", "4294967295", "0x7fffffff", "NaN", "1.5", "-0", "2"};

bool startsName(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}

bool insideName(char c)
{
    return startsName(c) || (c >= '0' && c <= '9');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

qsizetype randomAt(const QByteArray &bytes, std::mt19937 &random)
{
    return bytes.isEmpty() ? 0 : qsizetype(random() % size_t(bytes.size()));
}

// The first name (or run of digits) at or after `from`: its start and length, or -1.
std::pair<qsizetype, qsizetype> nextToken(const QByteArray &bytes, qsizetype from, bool digits)
{
    for (qsizetype at = from; at < bytes.size(); ++at) {
        const bool starts = digits ? isDigit(bytes[at]) : startsName(bytes[at]);
        if (!starts || (at > 0 && insideName(bytes[at - 1])))
            continue;
        qsizetype end = at;
        while (end < bytes.size() && (digits ? isDigit(bytes[end]) : insideName(bytes[end])))
            ++end;
        return {at, end - at};
    }
    return {-1, 0};
}

} // namespace

ScriptMutations::ScriptMutations(const QStringList &paths)
{
    for (const QString &path : paths) {
        if (!QFileInfo(path).isDir()) {
            addFile(path);
            continue;
        }
        QDirIterator walk(path, {QStringLiteral("*.js"), QStringLiteral("*.html")}, QDir::Files,
                          QDirIterator::Subdirectories);
        while (walk.hasNext())
            addFile(walk.next());
    }
}

void ScriptMutations::addFile(const QString &path)
{
    QFile file(path);
    if (file.size() > largestScript || !file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (!path.endsWith(u".html")) {
        m_scripts.append(bytes);
        return;
    }
    static const QRegularExpression inlineScript(
        QStringLiteral("<script(?![^>]*\\bsrc=)[^>]*>(.*?)</script>"),
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromUtf8(bytes);
    for (auto match = inlineScript.globalMatch(text); match.hasNext();) {
        const QByteArray script = match.next().captured(1).toUtf8();
        if (!script.trimmed().isEmpty())
            m_scripts.append(script);
    }
}

const QByteArray &ScriptMutations::anyScript(std::mt19937 &random) const
{
    return m_scripts[qsizetype(random() % size_t(m_scripts.size()))];
}

QByteArray ScriptMutations::mutated(std::mt19937 &random) const
{
    QByteArray script = anyScript(random);
    const int changes = int(random() % 5);
    for (int i = 0; i < changes; ++i) {
        const qsizetype at = randomAt(script, random);
        switch (random() % 6) {
        case 0: // cut a stretch out
            script.remove(at, qsizetype(random() % 2000));
            break;
        case 1: { // splice in a piece of another
            const QByteArray &other = anyScript(random);
            script.insert(at, other.mid(randomAt(other, random), qsizetype(random() % 2000)));
            break;
        }
        case 2: { // one name for another: the script's own, or the DOM's
            const auto [start, length] = nextToken(script, at, false);
            const auto [other, otherLength] = nextToken(script, randomAt(script, random), false);
            if (start < 0)
                break;
            const QByteArray replacement = random() % 2 && other >= 0
                ? script.mid(other, otherLength)
                : names[qsizetype(random() % size_t(names.size()))];
            script.replace(start, length, replacement);
            break;
        }
        case 3: { // a number for another
            const auto [start, length] = nextToken(script, at, true);
            if (start >= 0)
                script.replace(start, length,
                               numbers[qsizetype(random() % size_t(numbers.size()))]);
            break;
        }
        case 4: // repeat a stretch
            script.insert(
                at, script.mid(at, qsizetype(random() % 200)).repeated(1 + int(random() % 20)));
            break;
        default:
            script.truncate(at);
            break;
        }
    }
    return script;
}
