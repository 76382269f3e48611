#pragma once

// Whether the file open on `descriptor` is on one of the file systems whose files the kernel
// makes as they are read (/proc, /sys and their like): /proc/self/environ holds the reader's
// environment, /proc/self/pagemap says it is empty and gives gigabytes. None of them holds a
// page or anything a page uses. True too when the file system cannot be told.
bool isOnKernelFileSystem(int descriptor);
