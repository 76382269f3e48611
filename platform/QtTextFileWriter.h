#pragma once

#include "platform/TextFileWriter.h"

// Writes through QSaveFile: the content goes to a temporary file in the target's own folder,
// which is renamed over the target only once it is complete.
class QtTextFileWriter : public TextFileWriter
{
public:
    bool writeFile(const QString &path, const QByteArray &content, QString &error) override;
};
