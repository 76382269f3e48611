#pragma once

#include "convert/TextFiles.h"

#include <QHash>

// Each text at an output path chosen for its input beforehand (a file named on the command
// line, a place in an output folder), so that nothing is written beside the inputs, with the
// same care as beside them.
class TextFilesAtGivenPaths : public TextFiles
{
public:
    enum class Folders {
        MustExist, // an output in a missing folder is a failure
        Create,    // missing folders on the way to an output are made
    };

    TextFilesAtGivenPaths(TextFileWriter &writer, QHash<QString, QString> outputPaths,
                          Folders folders);

    // Where the text of inputPath goes; empty for an input it was not given.
    QString outputPathFor(const QString &inputPath) const;

protected:
    QString outputPathOf(const QString &inputPath) const override;
    std::optional<QString> prepareFolder(const QString &outputPath) override;

private:
    QHash<QString, QString> m_outputPaths;
    Folders m_folders;
};
