#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Refuses every request that would leave the machine: only local files and data:, about: and
// blob: URLs get through.
class LocalOnlyRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
};
