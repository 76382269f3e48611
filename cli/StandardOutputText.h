#pragma once

#include "convert/TextDestination.h"

#include <cstdio>

// For --stdout: the text goes to a stream in UTF-8, and no file is written.
class StandardOutputText : public TextDestination
{
public:
    explicit StandardOutputText(std::FILE *stream) : m_stream(stream) {}

    std::optional<QString> whyNotWritable(const QString &inputPath) const override;
    std::optional<QString> whySkipped(const QString &inputPath) const override;
    bool isWrittenAlready(const QString &inputPath) const override;
    std::optional<QString> whyNoLongerWritable(const QString &inputPath) const override;
    std::optional<QString> write(const QString &inputPath, const QString &text) override;

private:
    std::FILE *m_stream;
};
