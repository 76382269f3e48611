#pragma once

#include "convert/TextFiles.h"

#include <QHash>

// Each text at an output path chosen for its input beforehand (a file named on the command
// line, a place in an output folder), so that nothing is written beside the inputs, with the
// same care as beside them.
class TextFilesAtGivenPaths : public TextFiles
{
public:
    // Each output at a path of its own, whose folder must exist.
    TextFilesAtGivenPaths(TextFileWriter &writer, QHash<QString, QString> outputPaths);
    // Each output below outputFolder, at a path that starts with it: the folders on the way are
    // made where missing, and a link anywhere below outputFolder is that output's failure.
    TextFilesAtGivenPaths(TextFileWriter &writer, QHash<QString, QString> outputPaths,
                          const QString &outputFolder);

    // Where the text of inputPath goes; empty for an input it was not given.
    QString outputPathFor(const QString &inputPath) const;

protected:
    QString outputPathOf(const QString &inputPath) const override;
    bool stage(TextFileWriter &writer, const QString &outputPath, const QByteArray &content,
               QString &error) override;

private:
    QHash<QString, QString> m_outputPaths;
    QString m_outputFolder; // cleaned; empty without one
};
