#include "engine/browser/ProgramVersion.h"

#include <QtWebEngineCore/qtwebenginecoreglobal.h>

QString versionText(const QString &programName, const QString &version)
{
    return QStringLiteral("%1 %2\nQt %3, Qt WebEngine %4 (Chromium %5)\n")
        .arg(programName, version, QString::fromLatin1(qVersion()),
             QString::fromLatin1(qWebEngineVersion()),
             QString::fromLatin1(qWebEngineChromiumVersion()));
}
