#pragma once

#include <QtGlobal>
#include <cstddef>
#include <vector>

// A bump allocator for everything a database file holds: item objects, their texts
// and child lists. What is allocated here is released all at once by Clear() (no
// per-object free), which is what makes closing a large collection fast. Memory of
// objects freed earlier is reclaimed only by Clear().
class TArena
{
public:
    TArena() = default;
    ~TArena() { Clear(); }
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
    std::size_t BytesReserved() const { return m_reserved; }

private:
    void grow(std::size_t atLeast);

    std::vector<char *> m_chunks;
    char *m_chunk = nullptr;
    std::size_t m_pos = 0;
    std::size_t m_size = 0;
    std::size_t m_reserved = 0;
};
