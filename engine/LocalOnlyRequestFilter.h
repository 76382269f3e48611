#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Refuses every request that would leave the machine: only local files and data:, about: and
// blob: URLs get through, and file:// URLs are sent to our own handler for local files.
class LocalOnlyRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    // A page saved as one file loads only as a file:// URL, and then takes nothing from outside
    // itself: that one file:// URL is let through (a regular file; empty for none).
    void setArchivePath(const QString &absolutePath);

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

private:
    QString m_archivePath;
};
