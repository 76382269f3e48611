#pragma once

#include "convert/FailureReport.h"

#include <QList>
#include <QString>

// What became of one list item in a run.
struct ItemOutcome
{
    enum class Result {
        Converted, // its text was written; a reason, if any, is a note on its page
        Failed,    // it could not be converted; reason says why
        Skipped,   // it was left alone on purpose, nothing lost; reason says why
        NotAPage,  // a browser shows no page for it (an image, a style sheet); reason says so
    };

    Result result = Result::Converted;
    QString path;
    QString reason;
};

// What a run did, item by item in list order. Items the run never reached (it ended early
// because the list shrank) are not in it.
struct ConversionReport
{
    QList<ItemOutcome> items;

    qsizetype count(ItemOutcome::Result result) const;
    // The items that failed, in list order, as the closing message names them.
    QList<ItemFailure> failures() const;
};
