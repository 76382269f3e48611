#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Refuses every request that would leave the machine: only local files and data:, about: and
// blob: URLs get through, and file:// URLs are sent to our own handler for local files.
class LocalOnlyRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
};
