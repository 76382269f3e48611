#pragma once

#include "convert/OutputPath.h"
#include "convert/TextDestination.h"

#include <QHash>

#include <map>

class TextFileWriter;

// Each text in UTF-8 at an output path chosen for its input beforehand (a file named on the
// command line, a place in an output folder), so that nothing is written beside the inputs.
// The same care as beside the inputs: an input is never replaced by its own text, an output
// never written through a link, and no output written twice in one run.
class TextFilesAtGivenPaths : public TextDestination
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

    void startRun() override;
    std::optional<QString> whyNotWritable(const QString &inputPath) const override;
    std::optional<QString> whySkipped(const QString &inputPath) const override;
    bool isWrittenAlready(const QString &inputPath) const override;
    std::optional<QString> whyNoLongerWritable(const QString &inputPath) const override;
    std::optional<QString> write(const QString &inputPath, const QString &text) override;

private:
    struct Written
    {
        FileIdentity output;
        std::optional<FileIdentity> input;
    };

    // The entry for the output of inputPath, when this run wrote it and it is still there.
    const Written *writtenOutput(const QString &inputPath) const;

    TextFileWriter &m_writer;
    QHash<QString, QString> m_outputPaths;
    Folders m_folders;
    // The outputs this run has written so far, by their paths.
    std::map<QString, Written> m_written;
};
