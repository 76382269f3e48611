#include "engine/fast/worker/WorkerProtocol.h"

#include "engine/PageCancellation.h"
#include "engine/fast/dom/WireBytes.h"

#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

enum MessageType : std::uint8_t { PageType, FileRequestType, FileReplyType, ResultType };

// Names of files and encodings are short; a page's URL is at most a long path.
constexpr std::uint32_t maxUrlUnits = 64 * 1024;
constexpr std::uint32_t maxEncodingBytes = 64;
constexpr std::uint32_t maxFieldBytes = std::uint32_t(maxMessageBytes);

struct Encoder
{
    WireWriter &out;

    void operator()(const PageToRun &page) const
    {
        out.putByte(PageType);
        out.putBytes(page.utf8);
        out.putString(page.context.pageUrl);
        out.putString(page.context.baseUrl);
        out.putBytes(page.context.encoding);
    }
    void operator()(const FileRequest &request) const
    {
        out.putByte(FileRequestType);
        out.putString(request.url);
        out.putByte(std::uint8_t(request.kind));
    }
    void operator()(const FileReply &reply) const
    {
        out.putByte(FileReplyType);
        out.putByte(reply.bytes ? 1 : 0);
        out.putBytes(reply.bytes.value_or(QByteArray()));
    }
    void operator()(const PageResult &result) const
    {
        out.putByte(ResultType);
        if (const auto *tree = std::get_if<QByteArray>(&result.treeOrReason)) {
            out.putByte(1);
            out.putBytes(*tree);
        } else {
            out.putByte(0);
            out.putByte(std::uint8_t(std::get<BrowserReason>(result.treeOrReason)));
        }
    }
};

std::optional<WorkerMessage> readMessage(WireReader &in)
{
    switch (in.byte()) {
    case PageType: {
        PageToRun page;
        page.utf8 = in.bytes(maxFieldBytes);
        page.context.pageUrl = in.string(maxUrlUnits);
        page.context.baseUrl = in.string(maxUrlUnits);
        page.context.encoding = in.bytes(maxEncodingBytes);
        return page;
    }
    case FileRequestType: {
        FileRequest request;
        request.url = in.string(maxUrlUnits);
        const std::uint8_t kind = in.byte();
        if (kind > std::uint8_t(PageResourceKind::StyleSheet))
            return std::nullopt;
        request.kind = PageResourceKind(kind);
        return request;
    }
    case FileReplyType: {
        const std::uint8_t found = in.byte();
        QByteArray bytes = in.bytes(maxFieldBytes);
        if (found > 1 || (found == 0 && !bytes.isEmpty()))
            return std::nullopt;
        return FileReply{found == 1 ? std::optional(std::move(bytes)) : std::nullopt};
    }
    case ResultType: {
        const std::uint8_t hasTree = in.byte();
        if (hasTree == 1)
            return PageResult{in.bytes(maxFieldBytes)};
        const std::uint8_t reason = in.byte();
        if (hasTree != 0 || reason >= browserReasonCount)
            return std::nullopt;
        return PageResult{BrowserReason(reason)};
    }
    }
    return std::nullopt;
}

} // namespace

QByteArray encodeMessage(const WorkerMessage &message)
{
    WireWriter out;
    std::visit(Encoder{out}, message);
    return out.take();
}

std::optional<WorkerMessage> decodeMessage(const QByteArray &bytes)
{
    WireReader in(bytes);
    std::optional<WorkerMessage> message = readMessage(in);
    if (in.failed() || !in.atEnd())
        return std::nullopt;
    return message;
}

bool MessageChannel::send(const WorkerMessage &message, std::optional<Clock::time_point> deadline)
{
    const QByteArray body = encodeMessage(message);
    if (body.size() > maxMessageBytes)
        return false;
    WireWriter header;
    header.putCount(std::uint32_t(body.size()));
    const QByteArray length = header.take();
    return writeAll(length.constData(), length.size(), deadline)
        && writeAll(body.constData(), body.size(), deadline);
}

std::optional<WorkerMessage> MessageChannel::receive(std::optional<Clock::time_point> deadline)
{
    QByteArray length(4, Qt::Uninitialized);
    if (!readAll(length.data(), length.size(), deadline))
        return std::nullopt;
    WireReader header(length);
    const std::uint32_t size = header.count(std::uint32_t(maxMessageBytes));
    if (header.failed())
        return std::nullopt;
    QByteArray body(size, Qt::Uninitialized);
    if (!readAll(body.data(), body.size(), deadline))
        return std::nullopt;
    return decodeMessage(body);
}

bool MessageChannel::writeAll(const char *data, qint64 size,
                              std::optional<Clock::time_point> deadline)
{
    while (size > 0) {
        if (deadline && !waitFor(POLLOUT, deadline))
            return false;
        // The converter's side must not die of SIGPIPE when its worker has; the worker may.
        const ssize_t written = deadline
            ? ::send(m_descriptor, data, size_t(size), MSG_NOSIGNAL | MSG_DONTWAIT)
            : ::write(m_descriptor, data, size_t(size));
        if (written < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool MessageChannel::readAll(char *data, qint64 size, std::optional<Clock::time_point> deadline)
{
    while (size > 0) {
        if (deadline && !waitFor(POLLIN, deadline))
            return false;
        const ssize_t got = deadline ? ::recv(m_descriptor, data, size_t(size), MSG_DONTWAIT)
                                     : ::read(m_descriptor, data, size_t(size));
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= got;
    }
    return true;
}

bool MessageChannel::waitFor(short events, std::optional<Clock::time_point> deadline)
{
    for (;;) {
        // A page given up on stops waiting for its worker within moments.
        checkPageCancelled();
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watched{m_descriptor, events, 0};
        const int ready = ::poll(&watched, 1, int(std::min<qint64>(left.count(), 100)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}
