#pragma once

#include <QString>
#include <QStringList>

// What the window was asked to do on its command line.
struct WindowArguments
{
    enum class Action { Open, ShowHelp, ShowVersion, UsageError };

    Action action = Action::Open;
    QStringList paths; // absolute, as a file manager drops them, for the list
    QString error;     // for a usage error: what was wrong, in one line
};

// Reads the arguments after the program's name, Qt's own options taken out: files and folders
// to put in the list, "--" before a name that begins with "-". Help wins over the version, and
// both over a usage error, so that they work whatever else is there.
WindowArguments parseWindowArguments(const QStringList &arguments, const QString &currentFolder);

QString windowHelpText();

// Whether Qt can be given a display: a platform named (QT_QPA_PLATFORM or -platform) or an X or
// Wayland display to connect to. Without one Qt would end the program with an abort.
bool displayNamed(const QStringList &arguments);
