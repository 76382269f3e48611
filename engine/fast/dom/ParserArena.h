#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

// The memory of one run of the HTML parser. The parser makes and frees a block for nearly every
// token, node and attribute, and freeing its tree walks it once more; from an arena the blocks
// come cheaply, and all of them go at once with it. Freed blocks are reused by size, so the
// arena holds no more than the parser's most at any time, rounded up to its size classes.
class ParserArena
{
public:
    ParserArena() = default;
    ParserArena(const ParserArena &) = delete;
    ParserArena &operator=(const ParserArena &) = delete;

    // In the shape of the parser's allocator and deallocator, `arena` being a ParserArena.
    static void *allocate(void *arena, size_t size);
    static void deallocate(void *arena, void *block);

private:
    void *take(size_t size);
    void give(void *block);
    std::byte *carve(size_t bytes);

    static constexpr size_t classCount = 40;
    std::array<void *, classCount> m_free{}; // per size class, a list through the freed blocks
    std::vector<std::unique_ptr<std::byte[]>> m_chunks;
    std::unordered_map<void *, std::unique_ptr<std::byte[]>> m_large; // by block, their own
    std::byte *m_next = nullptr;
    std::byte *m_end = nullptr;
};
