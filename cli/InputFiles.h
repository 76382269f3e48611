#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class MessagePump;

// A file to convert, and its path below the folder it was found in (its name alone when it was
// named directly): where its text goes below an output folder. The folder named (empty for a
// file named directly) bounds where its page may send itself.
struct InputFile
{
    QString path;
    QString placeBelowFolder;
    QString listedFolder;
};

// The files the command line's PATHs name: folders are walked as the window's "Add All HTML
// Files In Folder" walks the folder a user picks; anything else is taken for a file.
QList<InputFile> filesToConvert(const QStringList &paths, MessagePump &pump);
