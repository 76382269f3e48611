#include "engine/fast/FastPage.h"

#include "engine/MimeSniffing.h"
#include "engine/PageDecoding.h"
#include "engine/PageSizeBound.h"
#include "engine/PageType.h"
#include "engine/fast/archive/ArchivedStyleSheets.h"
#include "engine/fast/archive/MhtmlArchive.h"
#include "engine/fast/css/StyleResolver.h"
#include "engine/fast/css/StyleSheetCache.h"
#include "engine/fast/dom/DocumentBase.h"
#include "engine/fast/dom/ObjectContent.h"
#include "engine/fast/dom/ScriptDetection.h"
#include "engine/fast/knownscripts/KnownScripts.h"
#include "engine/fast/text/ContentByPlace.h"
#include "engine/fast/text/InnerText.h"
#include "engine/fast/worker/ScriptWorker.h"
#include "platform/RegularFile.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace {

// Redirect pages followed one after another: a longer chain, as a loop, is left to the browser.
constexpr int maxRedirects = 4;

// A script's string may hold half of a surrogate pair (a data file's "\uD800"). The browser
// hands its text over in UTF-8, the half encoded as the three bytes of its code point, which
// are no valid UTF-8 and come out as three U+FFFD.
QString withLoneSurrogatesReplaced(const QString &text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); }))
        return text;
    QString replaced;
    replaced.reserve(text.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
            replaced += c;
            replaced += text[++at];
        } else if (c.isSurrogate()) {
            replaced += QString(3, QChar::ReplacementCharacter);
        } else {
            replaced += c;
        }
    }
    return replaced;
}

// The worker that runs this thread's pages' scripts, reused from page to page and ended with the
// thread; none when no worker program is installed.
ScriptWorker *threadScriptWorker()
{
    static const QString program = scriptWorkerProgram();
    if (program.isEmpty())
        return nullptr;
    thread_local ScriptWorker worker(program);
    return &worker;
}

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
        m_objectsKnown = !holdsUncertainObject(m_dom);
        return;
    case PageKind::Mhtml:
        readArchive(bytes);
        m_carriesScript = pageCarriesScript(m_dom);
        m_objectsKnown = !holdsUncertainObject(m_dom);
        return;
    case PageKind::Html:
    case PageKind::NotAPage:
        break;
    }
    const Utf8Page decoded = readHtml(bytes);
    const QByteArray &encoding = decoded.encoding;
    m_carriesScript = pageCarriesScript(m_dom);
    m_objectsKnown = !holdsUncertainObject(m_dom);
    if (!m_carriesScript)
        return;
    // Known scripts are modelled for pages read as HTML from disk only.
    const KnownScriptsRun run = runKnownScripts(
        m_dom, {m_path, encoding, m_dom.quirksMode(), documentBaseUrl(m_dom, m_path), {}});
    m_scriptsKnown = !run.browserReason;
    if (run.browserReason)
        m_scriptReason = *run.browserReason;
    if (run.browserReason == BrowserReason::UnknownScript)
        runScripts(decoded);
    if (!run.redirectTarget.isEmpty())
        followRedirect(run.redirectTarget, redirectsLeft);
}

std::optional<BrowserReason> FastPage::browserReason() const
{
    if (m_carriesScript && !m_scriptsKnown && !m_scriptsRun)
        return m_scriptReason;
    if (m_encodingGuessed)
        return BrowserReason::UndeclaredEncoding;
    if (!m_encodingExact)
        return BrowserReason::UnsupportedEncoding;
    if (m_dom.attributesDropped())
        return BrowserReason::TooManyAttributes;
    if (m_dom.tagsLeftOut())
        return BrowserReason::NestingTooDeep;
    if (m_dom.formTextMisplaced())
        return BrowserReason::FormTextMisplaced;
    if (!m_treeExact)
        return m_treeReason;
    if (!m_objectsKnown)
        return BrowserReason::UnknownObject;
    return std::nullopt;
}

void FastPage::followRedirect(const QString &target, int redirectsLeft)
{
    // The redirect's script is known by its text only where the page is parsed as the browser
    // parses it.
    if (redirectsLeft == 0 || m_encodingGuessed || !m_encodingExact || !m_dom.parsedExactly())
        return;
    // As the browser engine's file handler reads the page it is sent to: a regular file only.
    const RegularFileRead read = readRegularFile(target, maxPageBytes);
    if (read.status != RegularFileRead::Status::Read)
        return;
    FastPage followed(read.bytes, target, redirectsLeft - 1);
    if (followed.isExact())
        *this = std::move(followed);
}

Utf8Page FastPage::readHtml(const QByteArray &bytes)
{
    Utf8Page decoded = decodePageToUtf8(bytes, undeclaredPageEncoding());
    m_encodingGuessed = decoded.guessed;
    m_encodingExact = decoded.exact;
    m_dom = Dom::parse(decoded.utf8);
    // A sheet that declares no encoding is read in the page's, as the browser reads it; a page
    // that declares none and is UTF-8 is read as UTF-8.
    const QByteArray encoding = decoded.encoding.isEmpty() ? QByteArrayLiteral("UTF-8")
                                                           : decoded.encoding;
    m_sheets = [encoding](const QString &path) { return loadStyleSheetOfPageIn(path, encoding); };
    return decoded;
}

void FastPage::runScripts(const Utf8Page &decoded)
{
    // The worker parses the page again, as it is parsed here: only a page whose tree is the
    // browser's before its scripts run can be after.
    if (m_encodingGuessed || !m_encodingExact || !m_dom.parsedExactly())
        return;
    ScriptWorker *worker = threadScriptWorker();
    if (!worker)
        return;
    const PageScriptContext context{QUrl::fromLocalFile(m_path).toString(QUrl::FullyEncoded),
                                    documentBaseUrl(m_dom, m_path).toString(QUrl::FullyEncoded),
                                    decoded.encoding};
    std::variant<Dom, BrowserReason> run = worker->runPage(decoded.utf8, context);
    if (const auto *reason = std::get_if<BrowserReason>(&run)) {
        m_scriptReason = *reason;
        return;
    }
    m_dom = std::move(std::get<Dom>(run));
    m_scriptsRun = true;
    m_objectsKnown = !holdsUncertainObject(m_dom);
}

void FastPage::readArchive(const QByteArray &bytes)
{
    auto archive = std::make_shared<const MhtmlArchive>(bytes);
    m_treeReason = BrowserReason::ArchiveNotModelled;
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
                                             [](const ArchivePart &part) {
            return part.mimeType == "text/css";
        });
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
    if (html.contains(QLatin1String("<noscript"), Qt::CaseInsensitive) || hasBaseElement(m_dom))
        m_treeExact = false;
}

QString FastPage::bodyText(std::optional<BrowserReason> *stylingReason) const
{
    if (stylingReason)
        stylingReason->reset();
    if (m_dom.body() < 0 || !m_dom.node(m_dom.body()).isElement("body"))
        return QLatin1String("");
    const StyleResolver resolver(m_dom, m_pagePath, m_sheets);
    const std::vector<ComputedStyle> styles = resolver.computeStyles();
    if (stylingReason && !resolver.rulesAllRead())
        *stylingReason = BrowserReason::StyleRuleNotModelled;
    else if (stylingReason && rendersContentByPlace(m_dom, styles))
        *stylingReason = BrowserReason::ContentNeedsLayout;
    QString text = innerText(m_dom, styles, m_dom.body());
    // The browser engine hands its text over as UTF-8, read back by a decoder that takes a
    // U+FEFF at the start for a byte-order mark; so does anything that reads the text file.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text.isNull() ? QLatin1String("") : withLoneSurrogatesReplaced(text);
}
