#pragma once

#include <cstddef>
#include <memory>

#include <v8-array-buffer.h>

// V8 is set up once in a process, before the first page: no compiler of machine code, no
// WebAssembly, and no threads of its own, so that the sandboxed worker that runs pages' scripts
// needs no more than the few system calls its filter allows.
void initialiseV8();

// Frees an allocator made here. V8 is built without run-time type information, so its classes
// are used, derived from and destroyed only where that is off too (V8Setup.cpp).
struct ArrayBufferAllocatorDeleter
{
    void operator()(v8::ArrayBuffer::Allocator *allocator) const;
};
using ArrayBufferAllocatorPointer =
    std::unique_ptr<v8::ArrayBuffer::Allocator, ArrayBufferAllocatorDeleter>;

// Gives a page's array buffers memory up to a bound of their own: their bytes lie outside the
// heap, whose limit would not see them.
ArrayBufferAllocatorPointer newBoundedArrayBufferAllocator(std::size_t bound);
