#pragma once

// What a script worker gives up before it reads a page, in two steps so that a runtime can set
// itself up in between (reserving its memory, starting its threads) and the filter stay tight.

// Closes every descriptor but standard input, output and error, forbids gaining privileges
// (set-user-ID programs, which the filter needs anyway), and bounds the address space and the
// processor time. False when any of it fails.
bool limitWorkerProcess();

// From here on the process may use memory, threads, time and the descriptors it holds, and
// nothing else: any other system call (opening a file, a socket, starting a program, tracing)
// ends it with SIGSYS. False when the filter cannot be installed.
bool enterSyscallFilter();
