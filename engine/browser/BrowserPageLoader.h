#pragma once

#include "engine/browser/LocalFileSchemeHandler.h"
#include "engine/browser/LocalOnlyRequestFilter.h"
#include "engine/PageLoader.h"

#include <QHash>
#include <QList>
#include <QTimer>
#include <QUrl>

#include <memory>

class HiddenPage;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

// A hidden Chromium page (Qt WebEngine) that loads one file at a time and reads back its body's
// innerText. Nothing is fetched from the network, nothing is stored on disk and images are not
// loaded. Its profile is its own, so its pages render in a process of their own.
//
// Pages are laid out as in a desktop browser window of 1280 x 720 CSS pixels at a device pixel
// ratio of 1, on a screen of that size, whatever the display: a page's style rules for narrow
// screens never apply.
//
// A page that sends itself elsewhere while it loads is followed, and the text is that of the
// page it ends on.
class BrowserPageLoader : public PageLoader
{
    Q_OBJECT

public:
    explicit BrowserPageLoader(QObject *parent = nullptr);
    ~BrowserPageLoader() override;

    void load(const QString &path) override;
    void readTextSoFar() override;
    void abandon() override;

private slots:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void onFollowingOwnNavigation(const QUrl &url);
    void onFileUnreadable(const QString &absolutePath, const QString &reason);
    void onRenderProcessTerminated();
    void onAwaitedFileRequested(const QString &absolutePath);
    void onMarkRequested(const QString &mark, const QString &detail);

private:
    enum class State { Idle, Loading, Settling, ReadingText };

    void startAfresh();
    void giveThePageItsSize();
    bool isRequestedPage(const QUrl &url) const;
    void letPageSettle();
    void startSettleRounds();
    void onSettleRoundsDone();
    void onFileArrived(const QString &absolutePath);
    void takeNews();
    void onStalled();
    enum MissingText { EmptyTextIfNone, NoTextIfNone };
    void readText(const QString &script, MissingText missingText);
    void takeBodyText(const QVariant &result, MissingText missingText);
    void fail(const QString &reason);

    LocalFileSchemeHandler m_fileHandler;
    LocalOnlyRequestFilter m_requestFilter;

    State m_state = State::Idle;
    bool m_cutShort = false; // its text was taken while it was still loading
    QString m_requestedFile; // absolute
    bool m_isArchive = false; // the requested file is a page saved as one file (MHTML)
    bool m_runsScripts = true; // false for an archive, and for a page with nothing to run
    QList<QUrl> m_followedUrls; // where the page sent itself since the last load()
    QString m_unreadableReason;
    QString m_settledMark; // requested once a round of settling is done
    QString m_arrivalMark; // requested with the URL of each element whose file has arrived
    // Scripts and frames asked for and not yet reported by their elements, by path, each with
    // how many times it is on its way.
    QHash<QString, int> m_awaitedFiles;
    quint64 m_newsCount = 0; // files asked for or arrived since the page was created
    quint64 m_newsCountAtRounds = 0;
    QTimer m_stallTimer; // runs while files are on their way and nothing else is left to do
    // Tells the answer of a text read apart from answers meant for earlier loads.
    quint64 m_loadNumber = 0;

    // Declared last so that the page goes first, before the profile and the handlers it uses.
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<HiddenPage> m_page;
    // Never shown: it only gives the page its size (a page without a view has none).
    std::unique_ptr<QWebEngineView> m_view;
};
