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
    if (m_next < m_chunks.size() && m_chunks[m_next].second >= atLeast) {
        m_chunk = m_chunks[m_next].first;
        m_size = m_chunks[m_next].second;
        m_pos = 0;
        ++m_next;
        return;
    }
    // Chunks double up to 64 MiB so that a large file takes a few dozen of them.
    std::size_t size = m_size ? std::min(m_size * 2, kMaxChunk) : kFirstChunk;
    size = std::max(size, atLeast);
    size = (size + kHugePage - 1) & ~(kHugePage - 1);
    void *mem = std::aligned_alloc(kHugePage, size);
    if (!mem)
        throw std::bad_alloc();
    // Large pages cut the first-touch page faults of a big load several times over.
    ::madvise(mem, size, MADV_HUGEPAGE);
    m_chunks.insert(m_chunks.begin() + std::ptrdiff_t(m_next), {static_cast<char *>(mem), size});
    ++m_next;
    m_chunk = static_cast<char *>(mem);
    m_pos = 0;
    m_size = size;
    m_reserved += size;
}

void TArena::Clear()
{
    m_next = 0;
    m_chunk = nullptr;
    m_pos = m_size = 0;
}

void TArena::Release()
{
    for (auto &c : m_chunks)
        std::free(c.first);
    m_chunks.clear();
    m_next = 0;
    m_chunk = nullptr;
    m_pos = m_size = m_reserved = 0;
}
