#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Writes content to the file at path whole, making its folder first; a test cannot go on
// without its files, so a failure ends it. Returns the path.
inline QString writeTestFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The bytes of the file at path, or `unreadable` when there is no such file to read.
inline QByteArray fileContents(const QString &path, const QByteArray &unreadable = QByteArray())
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : unreadable;
}
