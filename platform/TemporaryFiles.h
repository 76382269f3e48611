#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <sys/types.h>

// Files that exist only until they are renamed into place, and never outlive the process: a
// process ending at once, or on SIGINT, SIGTERM or SIGHUP, removes every one still there first.
// Each is known by its folder's descriptor and its name in a fixed table that a signal handler
// may read, so the removal is safe wherever the signal lands.
class TemporaryFile
{
public:
    // A new, empty file under a free name "<prefix><hex><suffix>" in the folder open as
    // folderFd, which must stay open as long as the file is temporary. When it cannot be made
    // (the process is ending, or the folder refuses it), isValid() is false and errno says why.
    // The name must fit in 31 bytes.
    TemporaryFile(int folderFd, mode_t mode, QByteArrayView prefix = ".quillmere-",
                  QByteArrayView suffix = ".tmp");
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    // Removes the file unless it was renamed into place.
    ~TemporaryFile();

    bool isValid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // Its name in its folder.
    const QByteArray &name() const { return m_name; }

    // Closes the file, reporting late write errors (false with errno set); it stays until it is
    // destroyed.
    bool close();
    // Closes the file, reporting late write errors, then renames it over name in its folder;
    // from then on it is no temporary file. Returns false with errno set on failure.
    bool closeAndRenameTo(const QByteArray &name);

private:
    int m_folderFd;
    int m_fd = -1;
    bool m_exists = false;
    int m_entry = -1; // its row in the table, or -1 when the table was full
    QByteArray m_name;
};

// A new, empty folder that only its owner may enter, under a free name "<prefix><hex>" in the
// folder open as parentFd, recorded and removed as the temporary files are (after them, so that
// it goes when the files in it have gone). It must be empty when it is destroyed.
class TemporaryFolder
{
public:
    TemporaryFolder(int parentFd, QByteArrayView prefix);
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;
    ~TemporaryFolder();

    bool isValid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const QByteArray &name() const { return m_name; }

private:
    int m_parentFd;
    int m_fd = -1;
    int m_entry = -1;
    QByteArray m_name;
};

// From now on SIGINT, SIGTERM and SIGHUP remove the temporary files and then end the process
// by the same signal, so that its status is the conventional one (128 + the signal, 130 for
// SIGINT, as a shell shows it) and a shell loop around the program stops too. A signal the
// process was started with ignored (nohup, say) stays ignored.
void removeTemporaryFilesOnTerminationSignals();

// For a process about to end at once: removes every temporary file still there, and no new
// one is made. Safe to call from a signal handler.
void removeTemporaryFiles();
