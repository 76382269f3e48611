#pragma once

#include <QString>
#include <QStringList>

// What quillmere-convert was asked to do.
struct ConvertOptions
{
    QStringList paths;     // files, and folders to walk
    int jobs = 0;          // pages in flight; 0 for the default
    bool toStandardOutput = false;
    bool stats = false;
};

struct ParsedCommandLine
{
    enum class Action { Convert, ShowHelp, ShowVersion, UsageError };

    Action action = Action::UsageError;
    ConvertOptions options;
    QString error; // for a usage error: what was wrong, in one line
};

// Reads the arguments after the program's name.
ParsedCommandLine parseCommandLine(const QStringList &arguments);

QString helpText();
