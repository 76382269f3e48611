#include "app/QuietTerminal.h"

#include <QByteArrayList>
#include <QLoggingCategory>
#include <QString>
#include <QtGlobal>

namespace {

QtMessageHandler passedOn = nullptr;

// Notes that say the program works as meant, whoever starts it.
bool isStartUpNote(const QString &message)
{
    return message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))
        || message.startsWith(QLatin1String("Sandboxing disabled by user."));
}

void dropStartUpNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtCriticalMsg && type != QtFatalMsg && isStartUpNote(message))
        return;
    passedOn(type, context, message);
}

} // namespace

void keepStartUpNotesOffTheTerminal()
{
    // The engine lists its settings at the info level.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    passedOn = qInstallMessageHandler(dropStartUpNotes);
    // The engine's own processes log at the error level and above only.
    QByteArrayList switches{qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), "--log-level=2"};
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", switches.join(' ').trimmed());
}
