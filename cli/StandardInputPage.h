#pragma once

#include "platform/FileDescriptor.h"
#include "platform/TemporaryFiles.h"

#include <QString>

#include <cstdio>
#include <optional>

// The page read from standard input, kept in a file for the engine for as long as this object
// lives; a signal that ends the program removes it, as it removes the texts' temporary files.
// The file lies in the current folder, so that the page's relative links (style sheets,
// scripts, frames) are looked up there, under a name the folder walk passes over ("~...").
// Where the current folder cannot hold it, or any user may write there (and so plant what its
// links load), it lies in a new folder in the temporary folder that only this user may enter,
// and its links find nothing.
class StandardInputPage
{
public:
    // Reads all of input; error says why when the page could not be kept.
    StandardInputPage(std::FILE *input, QString &error);

    bool isReady() const { return m_ready; }
    QString path() const { return m_path; }
    // Why the page is not in the current folder; empty when it is.
    QString whyNotInCurrentFolder() const { return m_whyNotInCurrentFolder; }

private:
    bool keepInCurrentFolder();
    bool keepInPrivateFolder();
    bool copyFrom(std::FILE *input, QString &error);

    FileDescriptor m_folder; // the current folder, or the temporary folder
    std::optional<TemporaryFolder> m_privateFolder;
    std::optional<TemporaryFile> m_file;
    QString m_path;
    QString m_whyNotInCurrentFolder;
    bool m_ready = false;
};
