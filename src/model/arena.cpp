#include "model/arena.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace {
constexpr std::size_t kFirstChunk = std::size_t(1) << 20;
constexpr std::size_t kMaxChunk = std::size_t(64) << 20;
constexpr std::size_t kHugePage = std::size_t(2) << 20;
} // namespace

void TArena::grow(std::size_t atLeast)
{
    // Chunks double up to 64 MiB so that a large file takes a few dozen of them.
    std::size_t size = m_size ? std::min(m_size * 2, kMaxChunk) : kFirstChunk;
    size = std::max(size, atLeast);
    size = (size + kHugePage - 1) & ~(kHugePage - 1);
    void *mem = std::aligned_alloc(kHugePage, size);
    if (!mem)
        throw std::bad_alloc();
    // Large pages cut the first-touch page faults of a big load several times over.
    ::madvise(mem, size, MADV_HUGEPAGE);
    m_chunks.push_back(static_cast<char *>(mem));
    m_chunk = static_cast<char *>(mem);
    m_pos = 0;
    m_size = size;
    m_reserved += size;
}

void TArena::Clear()
{
    for (char *c : m_chunks)
        std::free(c);
    m_chunks.clear();
    m_chunk = nullptr;
    m_pos = m_size = m_reserved = 0;
}
