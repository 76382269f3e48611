#pragma once

#include <QByteArray>
#include <QString>

// Writes whole output files. A write either replaces the file completely or leaves whatever
// was there before untouched: a failure (a read-only folder, a full disk) never leaves a
// truncated or half-written file behind.
class TextFileWriter
{
public:
    virtual ~TextFileWriter() = default;

    // Creates the file at path, or replaces it, with exactly content. On failure returns false
    // and sets error to a sentence saying why.
    virtual bool writeFile(const QString &path, const QByteArray &content, QString &error) = 0;
};
