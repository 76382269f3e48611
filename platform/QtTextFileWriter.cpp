#include "platform/QtTextFileWriter.h"

#include <QSaveFile>

bool QtTextFileWriter::writeFile(const QString &path, const QByteArray &content, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    // QSaveFile remembers a failed write and refuses to commit, so one check at the end suffices.
    file.write(content);
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

TextFileWriter &systemTextFileWriter()
{
    static QtTextFileWriter writer;
    return writer;
}
