#pragma once

#include <QtGlobal>
#include <cstddef>
#include <vector>

// A bump allocator for everything a database file holds: item objects, their texts
// and child lists. What is allocated here is given up all at once by Clear() (no
// per-object free), which is what makes closing a large collection fast. Clear()
// keeps the chunks for the next file, so reopening does not pay the kernel's page
// faults again; Release() (and the destructor) returns them. Memory of objects freed
// earlier is reclaimed only by Clear().
class TArena
{
public:
    TArena() = default;
    ~TArena() { Release(); }
    TArena(const TArena &) = delete;
    TArena &operator=(const TArena &) = delete;

    void *Allocate(std::size_t size, std::size_t align)
    {
        std::size_t p = (m_pos + align - 1) & ~(align - 1);
        if (p + size > m_size) {
            grow(size + align);
            p = (m_pos + align - 1) & ~(align - 1);
        }
        m_pos = p + size;
        return m_chunk + p;
    }
    template <class T> T *AllocateArray(std::size_t n)
    {
        return static_cast<T *>(Allocate(n * sizeof(T), alignof(T)));
    }

    void Clear();
    void Release();
    std::size_t BytesReserved() const { return m_reserved; }

private:
    void grow(std::size_t atLeast);

    std::vector<std::pair<char *, std::size_t>> m_chunks; // start and size
    std::size_t m_next = 0;                               // the next chunk to reuse
    char *m_chunk = nullptr;
    std::size_t m_pos = 0;
    std::size_t m_size = 0;
    std::size_t m_reserved = 0;
};
