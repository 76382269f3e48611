#pragma once

#include <cstdio>

struct ConvertOptions;
class Clock;
class MessagePump;
class PageEngine;
class TextFileWriter;

// The exit statuses of quillmere-convert.
enum ExitStatus {
    NoneFailed = 0,
    SomeFailed = 1,
    UsageError = 2,
};

struct CommandStreams
{
    std::FILE *out;
    std::FILE *err;
    bool errIsTerminal;    // then a live progress line is shown there
    std::FILE *in = stdin; // the page of the PATH "-"
};

// Converts what the options name and returns the exit status. Each item that could not be
// converted is named on the error stream as "path: reason", in list order, and so is each item
// left alone on purpose unless the options ask for quiet; control characters in them are shown
// escaped.
int convertFiles(const ConvertOptions &options, PageEngine &engine, TextFileWriter &writer,
                 MessagePump &pump, const Clock &clock, const CommandStreams &streams);
