#pragma once

#include "engine/BrowserReason.h"
#include "engine/fast/script/PageScripts.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>
#include <variant>

// What the converter and a script worker say to each other over the worker's one socket, each
// message a 4-byte little-endian length and that many bytes. The converter sends a page; the
// worker asks for files while its scripts run, each answered before it asks again, and ends with
// the tree as the scripts left it or the reason it cannot give one.

// Most bytes a message may hold: a page of the largest size read, as UTF-16 with its nodes'
// fields around it.
constexpr qint64 maxMessageBytes = 160 * 1024 * 1024;

struct PageToRun
{
    QByteArray utf8;
    PageScriptContext context;
};

struct FileRequest
{
    QString url;
    PageResourceKind kind = PageResourceKind::Script;
};

struct FileReply
{
    std::optional<QByteArray> bytes; // nothing: the browser's load of it would fail
};

struct PageResult
{
    std::variant<QByteArray, BrowserReason> treeOrReason; // the tree as encodeDom() writes it
};

using WorkerMessage = std::variant<PageToRun, FileRequest, FileReply, PageResult>;

QByteArray encodeMessage(const WorkerMessage &message);
// Nothing for bytes that are no message.
std::optional<WorkerMessage> decodeMessage(const QByteArray &bytes);

// One end of the socket. Reads and writes whole messages, until the deadline when one is given
// (the converter's side, which must never wait on a worker for good, and stops waiting for a
// page given up on: see PageCancellation.h). A failure of any kind, the other end gone, bytes
// that are no message or a deadline passed, is nothing or false.
class MessageChannel
{
public:
    using Clock = std::chrono::steady_clock;

    explicit MessageChannel(int descriptor) : m_descriptor(descriptor) {}

    bool send(const WorkerMessage &message, std::optional<Clock::time_point> deadline = {});
    std::optional<WorkerMessage> receive(std::optional<Clock::time_point> deadline = {});

private:
    bool writeAll(const char *data, qint64 size, std::optional<Clock::time_point> deadline);
    bool readAll(char *data, qint64 size, std::optional<Clock::time_point> deadline);
    bool waitFor(short events, std::optional<Clock::time_point> deadline);

    int m_descriptor;
};
