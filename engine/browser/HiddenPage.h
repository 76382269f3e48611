#pragma once

#include <QWebEnginePage>

// A page that nobody sees. It never asks anybody anything: every question a page can put to its
// user gets the quiet answer "no" (or "nothing"), and script console output goes nowhere.
// Navigations that the page starts on its own (a script or a <meta> refresh sending it elsewhere)
// are followed only while its owner says so; other times they are refused.
class HiddenPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit HiddenPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    void setFollowsOwnNavigations(bool follows);
    // Whether the page has ever tried to go somewhere by itself, followed or not.
    bool hasNavigatedOnItsOwn() const;

signals:
    void followingOwnNavigation(const QUrl &url);

protected:
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                            const QStringList &acceptedMimeTypes) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                          const QString &defaultValue, QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private slots:
    void denyFeature(const QUrl &securityOrigin, QWebEnginePage::Feature feature);
    void cancelAuthentication(const QUrl &requestUrl, QAuthenticator *authenticator);
    void cancelProxyAuthentication(const QUrl &requestUrl, QAuthenticator *authenticator,
                                   const QString &proxyHost);

private:
    bool m_followsOwnNavigations = false;
    bool m_hasNavigatedOnItsOwn = false;
};
