#pragma once

#include <v8-array-buffer.h>

#include <atomic>
#include <cstddef>

// V8 is set up once in a process, before the first page: no compiler of machine code, no
// WebAssembly, and no threads of its own, so that the sandboxed worker that runs pages' scripts
// needs no more than the few system calls its filter allows.
void initialiseV8();

// Gives a page's array buffers memory up to a bound of their own: their bytes lie outside the
// heap, whose limit would not see them.
class BoundedArrayBufferAllocator final : public v8::ArrayBuffer::Allocator
{
public:
    explicit BoundedArrayBufferAllocator(std::size_t bound) : m_bound(bound) {}

    void *Allocate(std::size_t length) override;
    void *AllocateUninitialized(std::size_t length) override;
    void Free(void *data, std::size_t length) override;

private:
    bool reserve(std::size_t length);

    const std::size_t m_bound;
    std::atomic<std::size_t> m_used{0};
};
