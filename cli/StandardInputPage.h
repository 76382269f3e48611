#pragma once

#include <QString>
#include <QTemporaryFile>

#include <cstdio>
#include <optional>

// The page read from standard input, kept in a file for the engine for as long as this object
// lives. The file lies in the current folder, so that the page's relative links (style sheets,
// scripts, frames) are looked up there, under a name the folder walk passes over ("~..."); where
// the current folder cannot be written, in the temporary folder, and its links then find nothing.
class StandardInputPage
{
public:
    // Reads all of input; error says why when the page could not be kept.
    StandardInputPage(std::FILE *input, QString &error);

    bool isReady() const { return m_ready; }
    QString path() const { return m_file.fileName(); }
    bool isInCurrentFolder() const { return m_inCurrentFolder; }

private:
    bool copyFrom(std::FILE *input, QString &error);

    QTemporaryFile m_file;
    bool m_ready = false;
    bool m_inCurrentFolder = true;
};
