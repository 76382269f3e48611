#pragma once

#include <QList>
#include <QString>

// A list item the run could not turn into a text file, and why.
struct ItemFailure
{
    QString path;
    QString reason;
};

// What the message box says at the end of a run: "Done." alone when every file was converted.
// Below it, on one line, how many items were left out because each is its own text file (a
// folder added again after a run lists the outputs of that run too), on another how many were
// left out because they are no web pages (the images and style sheets of a documentation
// folder), and then how many could not be converted, with the first of them and their reasons.
QString doneMessage(const QList<ItemFailure> &failures, qsizetype ownTextFiles = 0,
                    qsizetype notPages = 0);

// Its lines that count the items left out, which the command line prints too.
QString ownTextFilesLine(qsizetype count);
QString notPagesLine(qsizetype count);
