#pragma once

#include <QList>
#include <QString>

// A list item the run could not turn into a text file, and why.
struct ItemFailure
{
    QString path;
    QString reason;
};

// What the message box says at the end of a run: "Done." alone when every file was converted,
// else below it how many were not, with the first of them and their reasons.
QString doneMessage(const QList<ItemFailure> &failures);
