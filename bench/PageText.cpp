#include "bench/PageText.h"

#include "engine/PageLoader.h"

#include <QEventLoop>
#include <QTimer>

std::optional<QString> waitForPageText(PageLoader &loader, const QString &path, int timeoutMs)
{
    std::optional<QString> text;
    QEventLoop loop;
    const QMetaObject::Connection loaded = QObject::connect(&loader, &PageLoader::pageLoaded, &loop,
                                                            [&](const QString &pageText) {
        text = pageText;
        loop.quit();
    });
    const QMetaObject::Connection failed = QObject::connect(&loader, &PageLoader::pageFailed, &loop,
                                                            &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, [&] {
        loader.abandon();
        loop.quit();
    });
    loader.load(path);
    loop.exec();
    QObject::disconnect(loaded);
    QObject::disconnect(failed);
    return text;
}
