#include "engine/fast/FastPage.h"

#include "engine/MimeSniffing.h"
#include "engine/PageType.h"
#include "engine/fast/PageSizeBound.h"
#include "engine/fast/archive/ArchivedStyleSheets.h"
#include "engine/fast/archive/MhtmlArchive.h"
#include "engine/fast/css/StyleResolver.h"
#include "engine/fast/css/StyleSheetCache.h"
#include "engine/fast/dom/PageDecoding.h"
#include "engine/fast/dom/ScriptDetection.h"
#include "engine/fast/knownscripts/KnownScripts.h"
#include "engine/fast/knownscripts/RustdocRedirect.h"
#include "engine/fast/text/InnerText.h"
#include "platform/RegularFile.h"

#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace {

// Redirect pages followed one after another: a longer chain, as a loop, is left to the browser.
constexpr int maxRedirects = 4;

} // namespace

FastPage::FastPage(const QByteArray &bytes, const QString &path)
    : FastPage(bytes, path, maxRedirects)
{
}

FastPage::FastPage(const QByteArray &bytes, const QString &path, int redirectsLeft)
    : m_path(QFileInfo(path).absoluteFilePath())
    , m_pagePath(m_path)
    , m_sheets(loadStyleSheet)
{
    switch (fileTypeOf(path, bytes.left(sniffedBytes)).kind) {
    case PageKind::Xhtml:
        m_dom = Dom::parseXml(bytes, m_treeExact);
        m_carriesScript = pageCarriesScript(m_dom);
        return;
    case PageKind::Mhtml:
        readArchive(bytes);
        m_carriesScript = pageCarriesScript(m_dom);
        return;
    case PageKind::Html:
    case PageKind::NotAPage:
        break;
    }
    readHtml(bytes);
    m_carriesScript = pageCarriesScript(m_dom);
    // Known scripts are modelled for pages read as HTML from disk only.
    m_scriptsKnown = m_carriesScript && runKnownScripts(m_dom, m_path);
    if (m_carriesScript && !m_scriptsKnown)
        followRedirect(redirectsLeft);
}

void FastPage::followRedirect(int redirectsLeft)
{
    // The redirect's script is known by its text only where the page is parsed as the browser
    // parses it.
    if (redirectsLeft == 0 || m_encodingGuessed || !m_encodingExact || m_dom.attributesDropped()
        || m_dom.tagsLeftOut())
        return;
    const QString target = rustdocRedirectTarget(m_dom, m_path);
    if (target.isEmpty())
        return;
    // As the browser engine's file handler reads the page it is sent to: a regular file only.
    const RegularFileRead read = readRegularFile(target, maxPageBytes);
    if (read.status != RegularFileRead::Status::Read)
        return;
    FastPage followed(read.bytes, target, redirectsLeft - 1);
    if (followed.isExact())
        *this = std::move(followed);
}

void FastPage::readHtml(const QByteArray &bytes)
{
    const Utf8Page decoded = decodePageToUtf8(bytes, undeclaredPageEncoding());
    m_encodingGuessed = decoded.guessed;
    m_encodingExact = decoded.exact;
    m_dom = Dom::parse(decoded.utf8);
}

void FastPage::readArchive(const QByteArray &bytes)
{
    auto archive = std::make_shared<const MhtmlArchive>(bytes);
    const ArchivePart *page = archive->mainPart();
    m_treeExact = page && archivedSheetsWithinReach(*archive);
    if (!page)
        return;
    m_sheets = archivedSheetLoader(archive);
    if (const QString savedAt = archivedPagePath(*page); !savedAt.isEmpty())
        m_pagePath = savedAt;

    if (page->mimeType == "application/xhtml+xml") {
        bool wellFormed = true;
        m_dom = Dom::parseXml(page->body, wellFormed);
        // Its links to style sheets are not followed into the archive.
        const bool linksSheets = std::any_of(archive->parts().begin(), archive->parts().end(),
                                             [](const ArchivePart &part) { return part.mimeType == "text/css"; });
        m_treeExact = m_treeExact && wellFormed && !linksSheets;
        return;
    }
    if (page->mimeType != "text/html") {
        m_treeExact = false;
        return;
    }
    QString html = page->charset.isEmpty() ? QString() : decodeWithLabel(page->body, page->charset);
    if (html.isNull()) {
        const DecodedPage decoded = decodePage(page->body);
        m_encodingGuessed = decoded.guessed;
        html = decoded.text;
    }
    m_dom = Dom::parse(withLinksToArchivedSheets(html, *archive, page->location).toUtf8());
    // An archive runs no scripts, so a browser shows what a <noscript> holds, which the parser
    // here hides; a <base> would take its links elsewhere.
    if (html.contains(QLatin1String("<noscript"), Qt::CaseInsensitive)
        || html.contains(QLatin1String("<base"), Qt::CaseInsensitive))
        m_treeExact = false;
}

QString FastPage::bodyText() const
{
    if (m_dom.body() < 0 || !m_dom.node(m_dom.body()).isElement("body"))
        return QLatin1String("");
    const StyleResolver resolver(m_dom, m_pagePath, m_sheets);
    const std::vector<ComputedStyle> styles = resolver.computeStyles();
    const QString text = innerText(m_dom, styles, m_dom.body());
    return text.isNull() ? QLatin1String("") : text;
}
