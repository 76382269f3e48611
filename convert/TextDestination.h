#pragma once

#include <QString>

#include <optional>

// Where a run puts the text of each item.
class TextDestination
{
public:
    virtual ~TextDestination() = default;

    // Why the text of inputPath is not to be written at all, or nothing when it may be.
    virtual std::optional<QString> whySkipped(const QString &inputPath) const = 0;

    // Writes the text of inputPath whole, or not at all: returns why it could not.
    virtual std::optional<QString> write(const QString &inputPath, const QString &text) = 0;
};
