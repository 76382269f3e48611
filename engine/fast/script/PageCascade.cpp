#include "PageCascade.h"

#include "engine/fast/css/StyleResolver.h"
#include "engine/fast/css/StyleSheetFile.h"
#include "engine/fast/scriptdom/ScriptDocument.h"
#include "engine/fast/text/ContentByPlace.h"

#include <QUrl>

PageCascade::PageCascade(ScriptDocument &document, const PageScriptContext &context,
                         const PageResourceReader &read)
    : m_document(document)
    , m_pagePath(QUrl(context.pageUrl).toLocalFile())
    , m_pageEncoding(context.encoding.isEmpty() ? QByteArrayLiteral("UTF-8") : context.encoding)
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
    if (bytes) // as the converter reads it for the page's text
        sheet = std::make_shared<const StyleSheet>(
            parseStyleSheet(decodeStyleSheet(*bytes, m_pageEncoding), url));
    m_sheets.insert(path, sheet);
    return sheet;
}

bool PageCascade::cascadeIsCurrent(std::string &why)
{
    if (m_version == m_document.viewVersion())
        return true;
    const Dom *tree = m_document.treeForCascade();
    if (!tree) {
        why = "a computed style while the page is parsed";
        return false;
    }
    if (++m_cascades > maxCascades) {
        why = "a computed style after more than " + std::to_string(maxCascades)
            + " changes to the tree";
        return false;
    }
    const StyleResolver resolver(
        *tree, m_pagePath, [this](const QString &path) { return loadSheet(path); },
        SelectorMatcher::Filter::None);
    m_styles = resolver.computeStyles(StyleResolver::Reach::EveryElement);
    m_rulesAllRead = resolver.rulesAllRead();
    m_contentPlacedByLayout = rendersContentByPlace(*tree, m_styles);
    m_version = m_document.viewVersion();
    return true;
}

const ComputedStyle *PageCascade::styleOf(int element, std::string &why)
{
    const std::vector<ComputedStyle> *all = styles(why);
    return all ? &(*all)[size_t(element)] : nullptr;
}

const std::vector<ComputedStyle> *PageCascade::styles(std::string &why)
{
    if (!cascadeIsCurrent(why))
        return nullptr;
    if (!m_rulesAllRead) {
        why = "a computed style with style rules not read as the browser reads them";
        return nullptr;
    }
    if (m_document.dom().documentElement() != m_document.documentElement()) {
        why = "a computed style with the root element replaced";
        return nullptr;
    }
    return &m_styles;
}
