#include "engine/browser/HiddenPage.h"

#include <QAuthenticator>
#include <QWebEngineCertificateError>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineQuotaRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>

HiddenPage::HiddenPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    connect(this, &QWebEnginePage::featurePermissionRequested, this, &HiddenPage::denyFeature);
    connect(this, &QWebEnginePage::authenticationRequired, this, &HiddenPage::cancelAuthentication);
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            &HiddenPage::cancelProxyAuthentication);
    // The request objects below are answered by value; these lambdas only say no.
    connect(this, &QWebEnginePage::certificateError, this,
            [](QWebEngineCertificateError error) { error.rejectCertificate(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::quotaRequested, this,
            [](QWebEngineQuotaRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
}

QStringList HiddenPage::chooseFiles(FileSelectionMode, const QStringList &, const QStringList &)
{
    return {};
}

void HiddenPage::javaScriptAlert(const QUrl &, const QString &) {}

bool HiddenPage::javaScriptConfirm(const QUrl &, const QString &)
{
    return false;
}

bool HiddenPage::javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *)
{
    return false;
}

void HiddenPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message,
                                          int, const QString &)
{
    emit consoleMessageLogged(message);
}

void HiddenPage::setFollowsOwnNavigations(bool follows)
{
    m_followsOwnNavigations = follows;
}

void HiddenPage::setOwnNavigationRule(NavigationRule rule)
{
    m_ownNavigationRule = std::move(rule);
}

bool HiddenPage::hasNavigatedOnItsOwn() const
{
    return m_hasNavigatedOnItsOwn;
}

bool HiddenPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    // Frames may go where they like, and load() is never refused.
    if (!isMainFrame || type == NavigationTypeTyped)
        return true;
    m_hasNavigatedOnItsOwn = true;
    const QString why = m_followsOwnNavigations && m_ownNavigationRule ? m_ownNavigationRule(url)
                                                                       : QString();
    if (m_followsOwnNavigations && why.isEmpty()) {
        emit followingOwnNavigation(url);
        return true;
    }
    emit refusingOwnNavigation(url, why);
    return false;
}

void HiddenPage::denyFeature(const QUrl &securityOrigin, QWebEnginePage::Feature feature)
{
    setFeaturePermission(securityOrigin, feature, PermissionDeniedByUser);
}

void HiddenPage::cancelAuthentication(const QUrl &, QAuthenticator *authenticator)
{
    // A null authenticator is how the engine is told that no credentials will come.
    *authenticator = QAuthenticator();
}

void HiddenPage::cancelProxyAuthentication(const QUrl &, QAuthenticator *authenticator,
                                           const QString &)
{
    *authenticator = QAuthenticator();
}
