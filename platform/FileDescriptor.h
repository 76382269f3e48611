#pragma once

#include <QByteArrayView>

#include <cerrno>
#include <utility>

#include <unistd.h>

// An open file descriptor, closed when it goes.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(FileDescriptor &&other) noexcept : m_fd(other.release()) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        FileDescriptor(std::move(other)).swap(*this);
        return *this;
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }
    void swap(FileDescriptor &other) noexcept { std::swap(m_fd, other.m_fd); }

private:
    int m_fd;
};

// Writes all of data, or returns false with errno set. A full disk or a file-size limit shows as
// a short write; the next write says why.
inline bool writeAll(int fd, QByteArrayView data)
{
    for (qsizetype written = 0; written < data.size();) {
        const ssize_t chunk = ::write(fd, data.data() + written, size_t(data.size() - written));
        if (chunk < 0 && errno == EINTR)
            continue;
        if (chunk <= 0) {
            if (chunk == 0)
                errno = ENOSPC;
            return false;
        }
        written += chunk;
    }
    return true;
}
