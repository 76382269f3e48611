#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// Writes whole output files, several at a time. A file is staged first (its content complete
// in a file of its own), and the staged files are put in place together, in the order they were
// staged, once all of them are on disk: waiting for the disk once for many files is what makes
// many small files quick. A write either replaces the file completely or leaves whatever was
// there before untouched: a failure (a read-only folder, a full disk) never leaves a truncated
// or half-written file behind.
class TextFileWriter
{
public:
    virtual ~TextFileWriter() = default;

    // Readies content to create or replace the file at path. On failure returns false, sets
    // error to a sentence saying why, and nothing is staged.
    virtual bool stageFile(const QString &path, const QByteArray &content, QString &error) = 0;
    // As stageFile() for the file at pathBelow, a relative path inside folder: the folders on
    // the way are made where missing, and a link anywhere below folder is never followed but is
    // the file's failure, so that nothing lands outside folder whatever its tree holds.
    virtual bool stageFileBelow(const QString &folder, const QString &pathBelow,
                                const QByteArray &content, QString &error) = 0;
    // Puts every staged file in place, in order: for each, nothing, or a sentence saying why it
    // could not be. Staging two files for one path before this is not allowed.
    virtual std::vector<std::optional<QString>> commitStaged() = 0;
};
