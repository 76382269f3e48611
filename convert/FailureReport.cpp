#include "convert/FailureReport.h"

#include "platform/EscapedText.h"

#include <algorithm>

namespace {

// Enough to see what went wrong without the box outgrowing the screen.
constexpr qsizetype maxListedFailures = 20;

QString failureCount(qsizetype count)
{
    if (count == 1)
        return QStringLiteral("1 file could not be converted:");
    return QStringLiteral("%1 files could not be converted:").arg(count);
}

} // namespace

QString ownTextFilesLine(qsizetype count)
{
    if (count == 1)
        return QStringLiteral("1 file was left out: it is its own text file.");
    return QStringLiteral("%1 files were left out: each is its own text file.").arg(count);
}

QString notPagesLine(qsizetype count)
{
    if (count == 1)
        return QStringLiteral("1 file was left out: it is not a web page.");
    return QStringLiteral("%1 files were left out: they are not web pages.").arg(count);
}

QString doneMessage(const QList<ItemFailure> &failures, qsizetype ownTextFiles, qsizetype notPages)
{
    QString message = QStringLiteral("Done.");
    if (ownTextFiles > 0)
        message += QStringLiteral("\n\n") + ownTextFilesLine(ownTextFiles);
    if (notPages > 0)
        message += QStringLiteral("\n\n") + notPagesLine(notPages);
    if (failures.isEmpty())
        return message;

    message += QStringLiteral("\n\n") + failureCount(failures.size());
    const qsizetype listed = std::min(failures.size(), maxListedFailures);
    for (qsizetype i = 0; i < listed; ++i)
        message += QStringLiteral("\n%1: %2")
                       .arg(escapeControlCharacters(failures[i].path),
                            escapeControlCharacters(failures[i].reason));
    if (failures.size() > listed)
        message += QStringLiteral("\nand %1 more").arg(failures.size() - listed);
    return message;
}
