#pragma once

#include "convert/TextDestination.h"

#include <functional>

// Another destination, except that an item whose text file is there already is left out, the
// file kept as it is: a run that only fills in what is missing. The item is skipped before its
// page is loaded, so nothing is lost and it does not count as failed.
class ExistingTextFilesKept : public TextDestination
{
public:
    using OutputPathOf = std::function<QString(const QString &inputPath)>;

    ExistingTextFilesKept(TextDestination &destination, OutputPathOf outputPathOf)
        : m_destination(destination)
        , m_outputPathOf(std::move(outputPathOf))
    {
    }

    void startRun() override { m_destination.startRun(); }
    std::optional<QString> whyNotWritable(const QString &inputPath) const override;
    std::optional<QString> whySkipped(const QString &inputPath) const override;
    bool isWrittenAlready(const QString &inputPath) const override;
    std::optional<QString> whyNoLongerWritable(const QString &inputPath) const override;
    bool dependsOnPrepared(const QString &inputPath) const override;
    std::optional<QString> prepare(const QString &inputPath, const QString &text) override;
    std::vector<std::optional<QString>> commitPrepared() override;

private:
    TextDestination &m_destination;
    OutputPathOf m_outputPathOf;
};
