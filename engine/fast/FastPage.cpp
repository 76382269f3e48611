#include "engine/fast/FastPage.h"

#include "engine/fast/InnerText.h"
#include "engine/fast/PageDecoding.h"
#include "engine/fast/ScriptDetection.h"
#include "engine/fast/StyleResolver.h"
#include "engine/fast/knownscripts/KnownScripts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Style sheets larger than this are not read: no real one comes near it.
constexpr qint64 maxStyleSheetBytes = 16 * 1024 * 1024;

} // namespace

QString readStyleSheetFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxStyleSheetBytes)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return decodeWithLabel(bytes.mid(2), bytes.startsWith("\xFF\xFE") ? "utf-16le" : "utf-16be");
    static const QRegularExpression charset(QStringLiteral("^@charset \"([^\"]*)\";"));
    const QRegularExpressionMatch match = charset.match(QString::fromLatin1(bytes.left(128)));
    if (match.hasMatch()) {
        const QString decoded = decodeWithLabel(bytes, match.captured(1).toLatin1());
        if (!decoded.isNull())
            return decoded;
    }
    return decodePage(bytes).text;
}

FastPage::FastPage(const QByteArray &bytes, const QString &path)
    : m_path(QFileInfo(path).absoluteFilePath())
{
    const Utf8Page decoded = decodePageToUtf8(bytes);
    m_encodingGuessed = decoded.guessed;
    m_encodingExact = decoded.exact;
    m_dom = Dom::parse(decoded.utf8);
    m_carriesScript = pageCarriesScript(m_dom);
    m_scriptsKnown = m_carriesScript && runKnownScripts(m_dom, m_path);
}

QString FastPage::bodyText() const
{
    if (m_dom.body() < 0 || !m_dom.node(m_dom.body()).isElement("body"))
        return QLatin1String("");
    const StyleResolver resolver(m_dom, m_path, readStyleSheetFile);
    const std::vector<ComputedStyle> styles = resolver.computeStyles();
    const QString text = innerText(m_dom, styles, m_dom.body());
    return text.isNull() ? QLatin1String("") : text;
}
