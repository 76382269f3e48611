#pragma once

#include "platform/TextFileWriter.h"

// Writes the content to a temporary file in the target's own folder and renames it over the
// target once it is complete. The rename replaces a link at the target's name rather than
// following it, so no write ever lands outside the target's folder, whatever appears there
// meanwhile. An existing entry that is not a regular file (a link, a folder, a device) and an
// existing file that is read-only are left alone; a replaced file keeps its permissions.
class QtTextFileWriter : public TextFileWriter
{
public:
    bool writeFile(const QString &path, const QByteArray &content, QString &error) override;
};
