#include "PageCascade.h"

#include "engine/fast/css/StyleResolver.h"
#include "engine/fast/scriptdom/ScriptDocument.h"

#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

namespace {

// A sheet's text where its decoding is sure without the converters of other encodings, which
// the sandbox keeps out: ASCII reads alike in every encoding a sheet may be in, and UTF-8 is
// sure behind a byte order mark or an @charset that names it, or on a page in UTF-8, whose
// encoding a sheet that declares none takes. Nothing for any other sheet.
std::optional<QString> sheetText(const QByteArray &bytes, bool pageInUtf8)
{
    QByteArrayView text = bytes;
    const bool byteOrderMark = text.startsWith("\xEF\xBB\xBF");
    if (byteOrderMark)
        text = text.sliced(3);
    if (std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(text);
    const bool declaredUtf8 = text.startsWith("@charset \"") && text.size() >= 17
        && text.sliced(10, 7).toByteArray().toLower() == "utf-8\";";
    const bool declaresNone = !text.startsWith("@charset");
    if (!byteOrderMark && !declaredUtf8 && !(pageInUtf8 && declaresNone))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8(text);
    return utf8.hasError() ? std::nullopt : std::optional(decoded);
}

} // namespace

PageCascade::PageCascade(ScriptDocument &document, const PageScriptContext &context,
                         const PageResourceReader &read)
    : m_document(document)
    , m_pagePath(QUrl(context.pageUrl).toLocalFile())
    , m_pageInUtf8(context.encoding == "UTF-8")
    , m_read(read)
{
}

std::shared_ptr<const StyleSheet> PageCascade::loadSheet(const QString &path)
{
    const auto known = m_sheets.constFind(path);
    if (known != m_sheets.cend())
        return known.value();
    const QUrl url = QUrl::fromLocalFile(path);
    const std::optional<QByteArray> bytes = m_read(url.toString(QUrl::FullyEncoded),
                                                   PageResourceKind::StyleSheet);
    std::shared_ptr<const StyleSheet> sheet;
    const std::optional<QString> text = bytes ? sheetText(*bytes, m_pageInUtf8) : std::nullopt;
    if (text)
        sheet = std::make_shared<const StyleSheet>(parseStyleSheet(*text, url));
    else if (bytes)
        m_sheetUndecoded = true;
    m_sheets.insert(path, sheet);
    return sheet;
}

bool PageCascade::cascadeIsCurrent(std::string &why)
{
    if (m_version == m_document.viewVersion())
        return true;
    const Dom *tree = m_document.treeForCascade();
    if (!tree) {
        why = "getComputedStyle while the page is parsed";
        return false;
    }
    if (++m_cascades > maxCascades) {
        why = "getComputedStyle after more than " + std::to_string(maxCascades)
            + " changes to the tree";
        return false;
    }
    const StyleResolver resolver(
        *tree, m_pagePath, [this](const QString &path) { return loadSheet(path); },
        SelectorMatcher::Filter::None);
    m_styles = resolver.computeStyles(StyleResolver::Reach::EveryElement);
    m_rulesAllRead = resolver.rulesAllRead();
    m_version = m_document.viewVersion();
    return true;
}

const ComputedStyle *PageCascade::styleOf(int element, std::string &why)
{
    if (!cascadeIsCurrent(why))
        return nullptr;
    if (m_sheetUndecoded) {
        why = "getComputedStyle with a style sheet neither ASCII nor declared UTF-8";
        return nullptr;
    }
    if (!m_rulesAllRead) {
        why = "getComputedStyle with style rules not read as the browser reads them";
        return nullptr;
    }
    if (m_document.dom().documentElement() != m_document.documentElement()) {
        why = "getComputedStyle with the root element replaced";
        return nullptr;
    }
    return &m_styles[size_t(element)];
}
