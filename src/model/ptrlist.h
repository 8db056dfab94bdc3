#pragma once

#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <new>

// A list of pointers in 16 bytes. Lists read from a file borrow their cells from
// the database's arena; the first change moves them to the heap.
template <class T> class TPtrList
{
public:
    TPtrList() noexcept = default;
    TPtrList(const TPtrList &) = delete;
    TPtrList &operator=(const TPtrList &) = delete;
    ~TPtrList() { release(); }

    void Borrow(T **cells, qsizetype n) noexcept
    {
        release();
        m_data = cells;
        m_size = quint32(n);
        m_capacity = 0;
    }

    qsizetype size() const noexcept { return m_size; }
    bool isEmpty() const noexcept { return m_size == 0; }
    T *operator[](qsizetype i) const noexcept { return m_data[i]; }
    T *const *begin() const noexcept { return m_data; }
    T *const *end() const noexcept { return m_data + m_size; }

    qsizetype indexOf(const T *p) const noexcept
    {
        for (quint32 i = 0; i < m_size; ++i)
            if (m_data[i] == p)
                return i;
        return -1;
    }
    void append(T *p) { insert(m_size, p); }
    void insert(qsizetype at, T *p)
    {
        reserve(m_size + 1);
        std::memmove(m_data + at + 1, m_data + at, std::size_t(m_size - at) * sizeof(T *));
        m_data[at] = p;
        ++m_size;
    }
    void removeAt(qsizetype at)
    {
        reserve(m_size); // own the cells before changing them
        std::memmove(m_data + at, m_data + at + 1, std::size_t(m_size - at - 1) * sizeof(T *));
        --m_size;
    }
    void clear() noexcept
    {
        release();
        m_data = nullptr;
        m_size = m_capacity = 0;
    }
    void reserve(qsizetype n)
    {
        if (m_capacity && quint32(n) <= m_capacity)
            return;
        const quint32 cap = std::max<quint32>(quint32(n), std::max<quint32>(4, m_size * 2));
        T **p = new T *[cap];
        if (m_size)
            std::memcpy(p, m_data, m_size * sizeof(T *));
        release();
        m_data = p;
        m_capacity = cap;
    }

private:
    void release() noexcept
    {
        if (m_capacity)
            delete[] m_data;
    }

    T **m_data = nullptr;
    quint32 m_size = 0;
    quint32 m_capacity = 0; // 0: borrowed (or empty)
};
