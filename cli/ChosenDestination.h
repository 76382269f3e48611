#pragma once

#include "cli/InputFiles.h"
#include "cli/StandardOutputText.h"
#include "convert/ExistingTextFilesKept.h"
#include "convert/TextFilesAtGivenPaths.h"
#include "convert/TextFilesBesideInputs.h"

#include <cstdio>
#include <optional>

struct ConvertOptions;

// Where the command line puts each text, as its options ask: beside the inputs, on standard
// output, in the file named by --output or below the --output-dir folder; --no-clobber keeps
// the existing text files of whichever it is.
class ChosenDestination
{
public:
    ChosenDestination(const ConvertOptions &options, bool toStandardOutput,
                      const QList<InputFile> &files, TextFileWriter &writer, std::FILE *out);
    ChosenDestination(const ChosenDestination &) = delete;
    ChosenDestination &operator=(const ChosenDestination &) = delete;

    TextDestination &destination() { return *m_destination; }
    // Whether an item left alone on purpose was so because its text file would be the item
    // itself, rather than an existing text file kept under --no-clobber.
    bool isOwnTextFile(const QString &inputPath) const;

private:
    QString outputPathFor(const QString &inputPath) const;

    TextFilesBesideInputs m_besideInputs;
    StandardOutputText m_standardOutput;
    std::optional<TextFilesAtGivenPaths> m_givenPaths;
    std::optional<ExistingTextFilesKept> m_kept;
    TextDestination *m_unkept = nullptr; // the destination that --no-clobber wraps
    TextDestination *m_destination = nullptr;
};
