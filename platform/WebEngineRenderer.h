#pragma once

#include "platform/LocalFileSchemeHandler.h"
#include "platform/LocalOnlyRequestFilter.h"
#include "platform/RenderEngine.h"

#include <QList>
#include <QObject>
#include <QUrl>

#include <memory>

class HiddenPage;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

// The rendering engine of the program: a hidden Chromium page (Qt WebEngine) that loads one
// file at a time and reads back its body's innerText. Nothing is fetched from the network,
// nothing is stored on disk and images are not loaded. prepareRenderEngine() must have run
// before the application object was created, and the renderer must be gone before it is.
//
// Pages are laid out as in a desktop browser window of 1280 x 720 CSS pixels at a device pixel
// ratio of 1, on a screen of that size, whatever the display: a page's style rules for narrow
// screens never apply.
//
// A page that sends itself elsewhere while it loads is followed, and the text is that of the
// page it ends on. After abandonPage() the engine shows a fresh blank page and reports a failed
// load, whatever state the page it gave up was in.
class WebEngineRenderer : public QObject, public RenderEngine
{
    Q_OBJECT

public:
    explicit WebEngineRenderer(QObject *parent = nullptr);
    ~WebEngineRenderer() override;

    void setSilent(bool silent) override;
    void navigate(const QString &pathOrUrl) override;
    int readyState() const override;
    bool loadFailed() const override;
    QString errorString() const override;
    QString bodyText() const override;
    QString location() const override;
    void readTextSoFar() override;
    void abandonPage() override;

private slots:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void onFollowingOwnNavigation(const QUrl &url);
    void onFileUnreadable(const QString &absolutePath, const QString &reason);
    void onRenderProcessTerminated();

private:
    void startAfresh();
    void giveThePageItsSize();
    void startNavigation(const QString &pathOrUrl);
    bool isRequestedPage(const QUrl &url) const;
    bool isBusy() const;
    void readBodyText();
    enum MissingText { EmptyTextIfNone, NoTextIfNone };
    void readText(const QString &script, MissingText missingText);
    void takeBodyText(const QVariant &result, MissingText missingText);
    void fail(const QString &reason);

    LocalFileSchemeHandler m_fileHandler;
    LocalOnlyRequestFilter m_requestFilter;

    QString m_location = QStringLiteral("about:blank");
    QUrl m_requestedUrl;
    QString m_requestedFile; // the absolute path behind m_requestedUrl, empty for a URL
    QList<QUrl> m_followedUrls; // where the page sent itself since the last navigate()
    int m_state = Uninitialized;
    bool m_failed = false;
    QString m_error;
    QString m_unreadableReason;
    QString m_text;
    // Tells the answer of a text read apart from answers meant for earlier navigations.
    quint64 m_navigation = 0;

    // Declared last so that the page goes first, before the profile and the handlers it uses.
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<HiddenPage> m_page;
    // Never shown: it only gives the page its size (a page without a view has none).
    std::unique_ptr<QWebEngineView> m_view;
};
