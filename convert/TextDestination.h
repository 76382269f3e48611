#pragma once

#include <QString>

#include <optional>
#include <vector>

// Where a run puts the text of each item. The run asks the questions before loading on its own
// thread, and takes each item's turn (isWrittenAlready(), whyNoLongerWritable(), prepare()) on
// a writing thread, one item after another, meanwhile: the first two must therefore not read
// what the turns change. Texts are prepared a few at a time and then committed together, so
// that the wait for the disk is paid once for all of them.
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

    // Whether the answers to the two questions above, for inputPath, would depend on a text
    // prepared and not yet committed: then the prepared ones are committed first.
    virtual bool dependsOnPrepared(const QString &inputPath) const = 0;

    // Readies the text of inputPath, to be written whole or not at all at the next commit:
    // returns why it cannot be.
    virtual std::optional<QString> prepare(const QString &inputPath, const QString &text) = 0;
    // Writes every text prepared since the last commit, in the order they were prepared: for
    // each, nothing, or why it could not be written.
    virtual std::vector<std::optional<QString>> commitPrepared() = 0;
};
