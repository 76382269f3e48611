#include "V8Setup.h"

#include <libplatform/libplatform.h>
#include <v8-initialization.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

void initialiseV8()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // --single-threaded goes with the platform that starts no worker threads; the rest keep
        // the engine from making executable memory, which the worker's filter forbids anyway.
        static const char flags[] = "--jitless --no-expose-wasm --single-threaded";
        v8::V8::SetFlagsFromString(flags, sizeof flags - 1);
        // The platform lives as long as the process: V8 cannot be set up a second time.
        static std::unique_ptr<v8::Platform> platform =
            v8::platform::NewSingleThreadedDefaultPlatform();
        v8::V8::InitializePlatform(platform.get());
        v8::V8::Initialize();
    });
}

namespace {

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

} // namespace

bool BoundedArrayBufferAllocator::reserve(std::size_t length)
{
    std::size_t used = m_used.load();
    do {
        if (length > m_bound - used)
            return false;
    } while (!m_used.compare_exchange_weak(used, used + length));
    return true;
}

void *BoundedArrayBufferAllocator::Allocate(std::size_t length)
{
    if (!reserve(length))
        return nullptr;
    void *data = std::calloc(length ? length : 1, 1);
    if (!data)
        m_used -= length;
    return data;
}

void *BoundedArrayBufferAllocator::AllocateUninitialized(std::size_t length)
{
    if (!reserve(length))
        return nullptr;
    void *data = std::malloc(length ? length : 1);
    if (!data)
        m_used -= length;
    return data;
}

void BoundedArrayBufferAllocator::Free(void *data, std::size_t length)
{
    std::free(data);
    m_used -= length;
}

void ArrayBufferAllocatorDeleter::operator()(v8::ArrayBuffer::Allocator *allocator) const
{
    delete allocator;
}

ArrayBufferAllocatorPointer newBoundedArrayBufferAllocator(std::size_t bound)
{
    return ArrayBufferAllocatorPointer(new BoundedArrayBufferAllocator(bound));
}
