#include "engine/fast/dom/ParserArena.h"

#include <bit>

namespace {

// Each block is preceded by a header that names its size class; it keeps the block aligned as
// malloc would.
constexpr size_t headerBytes = 16;
constexpr size_t chunkBytes = 64 * 1024;
// Classes 0 to 31 hold blocks of 16 to 512 bytes in steps of 16; then one class for each
// power of two up to a quarter of a chunk. Larger blocks (a long text's buffer) are each
// allocated on their own and released when freed.
constexpr size_t smallStep = 16;
constexpr size_t smallClasses = 32;
constexpr size_t largest = chunkBytes / 4;
constexpr size_t ownBlock = ~size_t(0);

size_t sizeClass(size_t bytes)
{
    if (bytes <= smallClasses * smallStep)
        return bytes == 0 ? 0 : (bytes - 1) / smallStep;
    // 513 to 1024 bytes: class 32, and so on, one class for each doubling.
    return smallClasses + size_t(std::bit_width(bytes - 1)) - 10;
}

size_t classBytes(size_t sizeClass)
{
    if (sizeClass < smallClasses)
        return (sizeClass + 1) * smallStep;
    return size_t(1) << (sizeClass - smallClasses + 10);
}

size_t &headerOf(void *block)
{
    return *reinterpret_cast<size_t *>(static_cast<std::byte *>(block) - headerBytes);
}

} // namespace

void *ParserArena::allocate(void *arena, size_t size)
{
    return static_cast<ParserArena *>(arena)->take(size);
}

void ParserArena::deallocate(void *arena, void *block)
{
    if (block)
        static_cast<ParserArena *>(arena)->give(block);
}

void *ParserArena::take(size_t size)
{
    if (size > largest) {
        auto own = std::make_unique_for_overwrite<std::byte[]>(headerBytes + size);
        std::byte *block = own.get() + headerBytes;
        headerOf(block) = ownBlock;
        m_large.emplace(block, std::move(own));
        return block;
    }
    const size_t index = sizeClass(size);
    if (void *block = m_free[index]) {
        m_free[index] = *static_cast<void **>(block);
        return block;
    }
    std::byte *block = carve(headerBytes + classBytes(index)) + headerBytes;
    headerOf(block) = index;
    return block;
}

void ParserArena::give(void *block)
{
    const size_t index = headerOf(block);
    if (index == ownBlock) {
        m_large.erase(block);
        return;
    }
    *static_cast<void **>(block) = m_free[index];
    m_free[index] = block;
}

std::byte *ParserArena::carve(size_t bytes)
{
    if (size_t(m_end - m_next) < bytes) {
        m_chunks.push_back(std::make_unique_for_overwrite<std::byte[]>(chunkBytes));
        m_next = m_chunks.back().get();
        m_end = m_next + chunkBytes;
    }
    std::byte *start = m_next;
    m_next += bytes;
    return start;
}
