#include "ScriptElements.h"

#include "engine/PageDecoding.h"
#include "engine/fast/dom/ScriptDetection.h"

namespace {

bool isAsciiSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

QString stripped(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isAsciiSpace(text[begin]))
        ++begin;
    while (end > begin && isAsciiSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

ScriptKind scriptKind(const QString &type, const QString &language)
{
    QString essence;
    if (!type.isNull())
        essence = stripped(type);
    else if (!language.isNull() && !language.isEmpty())
        essence = QStringLiteral("text/") + language;
    if (essence.isEmpty() || isJavaScriptMimeType(essence))
        return ScriptKind::Classic;
    if (essence.compare(u"module", Qt::CaseInsensitive) == 0)
        return ScriptKind::Module;
    if (isJavaScriptMimeType(essence.section(u';', 0, 0).trimmed()))
        return ScriptKind::Uncertain;
    return ScriptKind::NotScript;
}

std::optional<QString> decodeScript(const QByteArray &bytes, const QString &charset,
                                    const QByteArray &pageEncoding)
{
    QByteArray label;
    const QByteArray ownLabel = stripped(charset).toLatin1();
    if (!ownLabel.isEmpty() && isEncodingLabel(ownLabel))
        label = ownLabel;
    // A byte order mark decides over everything.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        label = "utf-8";
    else if (bytes.startsWith("\xFF\xFE"))
        label = "utf-16le";
    else if (bytes.startsWith("\xFE\xFF"))
        label = "utf-16be";
    // The page's encoding is named as its decoding names it ("CP874"), which is no label.
    QString text = !label.isEmpty() ? decodeWithLabel(bytes, label)
        : pageEncoding.isEmpty()    ? decodeInEncoding(bytes, "UTF-8")
                                    : decodeInEncoding(bytes, pageEncoding);
    if (text.isNull())
        return std::nullopt;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}
