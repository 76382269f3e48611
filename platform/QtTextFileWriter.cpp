#include "platform/QtTextFileWriter.h"

#include <QSaveFile>

bool QtTextFileWriter::writeFile(const QString &path, const QByteArray &content, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    // A full disk or a file-size limit shows as a short write with no error of its own; the
    // rest is written until it all went through or a write fails, and only then committed.
    qint64 written = 0;
    while (written < content.size()) {
        const qint64 chunk = file.write(content.constData() + written, content.size() - written);
        if (chunk <= 0) {
            error = file.errorString();
            file.cancelWriting();
            return false;
        }
        written += chunk;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
