#pragma once

#include <QString>

#include <optional>

// Where a run puts the text of each item. The run asks the questions before loading on its own
// thread, and takes each item's turn (isWrittenAlready(), whyNoLongerWritable(), write()) on a
// writing thread, one item after another, meanwhile: the first two must therefore not read
// what the turns change.
class TextDestination
{
public:
    virtual ~TextDestination() = default;

    // A run begins.
    virtual void startRun() {}

    // Asked before an item's page is loaded: why its text is not to be written at all (nothing
    // is lost; an item that is its own text file), or why it cannot be written (a failure), or
    // nothing when it may be.
    virtual std::optional<QString> whySkipped(const QString &inputPath) const = 0;
    virtual std::optional<QString> whyNotWritable(const QString &inputPath) const = 0;

    // Asked when the item's turn has come, the items before it written, whatever its page gave:
    // whether its text is there already (the same page listed earlier), so that it counts as
    // converted and is not written again; else why its text can no longer be written (another
    // item's text went where it would go).
    virtual bool isWrittenAlready(const QString &inputPath) const = 0;
    virtual std::optional<QString> whyNoLongerWritable(const QString &inputPath) const = 0;

    // Writes the text of inputPath whole, or not at all: returns why it could not.
    virtual std::optional<QString> write(const QString &inputPath, const QString &text) = 0;
};
