#pragma once

#include "engine/PageLoader.h"
#include "engine/browser/LocalFileSchemeHandler.h"
#include "engine/browser/LocalOnlyRequestFilter.h"
#include "engine/browser/OwnNavigationRule.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>

#include <memory>

class HiddenPage;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWidget;

// A Chromium page (Qt WebEngine), shown but to nobody, that loads one file at a time and reads back
// its body's innerText. Nothing is fetched from the network, nothing is stored on disk and images
// are not loaded. Its profile is its own, so its pages render in a process of their own.
//
// Pages are laid out as in a desktop browser window of 1280 x 720 CSS pixels at a device pixel
// ratio of 1, on a screen of that size, whatever the display: a page's style rules for narrow
// screens never apply.
//
// A page that sends itself elsewhere while it loads is followed, and the text is that of the
// page it ends on, as long as that is a page within the folder it was listed under (see
// OwnNavigationRule); a navigation not followed leaves the page where it was, and is noted.
class BrowserPageLoader : public PageLoader
{
    Q_OBJECT

public:
    explicit BrowserPageLoader(QObject *parent = nullptr);
    ~BrowserPageLoader() override;

    void load(const QString &path) override;
    void setListedFolder(const QString &folder) override;
    void readTextSoFar() override;
    void abandon() override;

private slots:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void onFollowingOwnNavigation(const QUrl &url);
    void onRefusingOwnNavigation(const QUrl &url, const QString &why);
    void onFileUnreadable(const QString &absolutePath, const QString &reason);
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);
    void onAwaitedFileRequested(const QString &absolutePath);
    void onConsoleMessage(const QString &message);

private:
    enum class State { Idle, Loading, Settling, ReadingText };

    void startAfresh();
    void showThePageOffScreen();
    void boundRenderer();
    bool isRequestedPage(const QUrl &url) const;
    void onEngineOwnNavigation(const QWebEngineLoadingInfo &info);
    void letPageSettle();
    // The first rounds after loading follow the page's timers of the next turn; those after it
    // has done anything, its timers of a short wait too.
    enum SettleRounds { FirstRounds, AfterActivity };
    void startSettleRounds(SettleRounds rounds);
    void onSettleRoundsDone(bool documentChanged);
    void onFileArrived(const QString &absolutePath);
    void takeNews();
    void onStalled();
    enum MissingText { EmptyTextIfNone, NoTextIfNone };
    void readText(const QString &script, MissingText missingText);
    void takeBodyText(const QVariant &result, MissingText missingText);
    void fail(const QString &reason);

    LocalFileSchemeHandler m_fileHandler;
    LocalOnlyRequestFilter m_requestFilter;
    OwnNavigationRule m_navigationRule;

    State m_state = State::Idle;
    bool m_cutShort = false;             // its text was taken while it was still loading
    QString m_requestedFile;             // absolute
    QString m_nextListedFolder;          // for the next load() only
    bool m_isArchive = false;            // the requested file is a page saved as one file (MHTML)
    QList<QUrl> m_followedUrls;          // where the page sent itself since the last load()
    QList<QUrl> m_refusedUrls;           // where it tried to
    bool m_requestedPageStarted = false; // events before are those of the fresh page's own
    QString m_unreadableReason;
    QString m_settledMark; // logged once a round of settling is done
    QString m_arrivalMark; // logged with the URL of each element whose file has arrived
    // Scripts and frames asked for and not yet reported by their elements, by path, each with
    // how many times it is on its way.
    QHash<QString, int> m_awaitedFiles;
    quint64 m_newsCount = 0; // files asked for or arrived since the page was created
    quint64 m_newsCountAtRounds = 0;
    QElapsedTimer m_settlingTime;
    QTimer m_stallTimer;    // runs while files are on their way and nothing else is left to do
    QTimer m_rendererWatch; // runs until the renderer of the page being loaded is known
    qint64 m_boundRendererPid = 0;
    // Tells the answer of a text read apart from answers meant for earlier loads.
    quint64 m_loadNumber = 0;

    // Declared last so that the page goes first, before the profile and the handlers it uses.
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<HiddenPage> m_page;
    // Shown, but never on screen: its view gives the page its size (a page without a view has
    // none) and makes it a page a user would see.
    std::unique_ptr<QWidget> m_window;
};
