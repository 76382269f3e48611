#pragma once

#include "convert/TextDestination.h"

#include <cstdio>

// For --stdout: the text goes to a stream in UTF-8, ending with a newline as a terminal and the
// tools of a pipe expect, and no file is written.
class StandardOutputText : public TextDestination
{
public:
    explicit StandardOutputText(std::FILE *stream) : m_stream(stream) {}

    std::optional<QString> whyNotWritable(const QString &inputPath) const override;
    std::optional<QString> whySkipped(const QString &inputPath) const override;
    bool isWrittenAlready(const QString &inputPath) const override;
    std::optional<QString> whyNoLongerWritable(const QString &inputPath) const override;
    bool dependsOnPrepared(const QString &inputPath) const override;
    std::optional<QString> prepare(const QString &inputPath, const QString &text) override;
    std::vector<std::optional<QString>> commitPrepared() override;

private:
    std::FILE *m_stream;
    int m_prepared = 0; // written already: a stream is not a file to put in place
};
