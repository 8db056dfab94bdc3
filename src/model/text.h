#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <cstring>

// Asks the processor to fetch memory that a walk will read a few steps later: walks
// over a million items otherwise wait on every item and every text in turn.
inline void PrefetchForRead(const void *p) noexcept
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// A stored text of an item, in one pointer: it points at a block that holds the
// length (32 bits) followed by the UTF-16 characters. The block is either borrowed
// from the database's arena (texts read from a file; freed with the arena) or owned
// (texts set later; the lowest pointer bit says so). An empty text holds nothing.
// Copies always own their characters, so a copy never outlives borrowed memory.
class TText
{
public:
    TText() noexcept = default;
    TText(QStringView s) { assign(s); }
    TText(const QString &s) { assign(QStringView(s)); }
    TText(const TText &o) { assign(o.view()); }
    TText(TText &&o) noexcept : m_block(o.m_block) { o.m_block = 0; }
    ~TText() { release(); }

    TText &operator=(const TText &o)
    {
        if (this != &o) {
            TText copy(o);
            swap(copy);
        }
        return *this;
    }
    TText &operator=(TText &&o) noexcept
    {
        TText moved(std::move(o));
        swap(moved);
        return *this;
    }
    TText &operator=(QStringView s)
    {
        TText copy(s);
        swap(copy);
        return *this;
    }
    TText &operator=(const QString &s) { return *this = QStringView(s); }

    // The size of a block for n characters, and where its characters go.
    static constexpr std::size_t BlockSize(qsizetype n)
    {
        return sizeof(quint32) + std::size_t(n) * 2;
    }
    static char16_t *BlockChars(void *block)
    {
        return reinterpret_cast<char16_t *>(static_cast<quint32 *>(block) + 1);
    }
    // Borrows a block (4-byte aligned) whose characters are filled in; n is their count.
    static TText Borrow(void *block, qsizetype n) noexcept
    {
        TText t;
        if (n > 0) {
            *static_cast<quint32 *>(block) = quint32(n);
            t.m_block = reinterpret_cast<std::uintptr_t>(block);
        }
        return t;
    }

    QStringView view() const noexcept
    {
        if (!m_block)
            return {};
        const auto *header = reinterpret_cast<const quint32 *>(m_block & ~std::uintptr_t(1));
        return QStringView(reinterpret_cast<const char16_t *>(header + 1), qsizetype(*header));
    }
    QString toString() const { return view().toString(); }
    operator QString() const { return toString(); }
    bool isEmpty() const noexcept { return m_block == 0; }
    qsizetype size() const noexcept { return view().size(); }
    bool isBorrowed() const noexcept { return m_block && !(m_block & 1); }
    // Fetches the characters ahead of reading them (see PrefetchForRead).
    void Prefetch() const noexcept
    {
        PrefetchForRead(reinterpret_cast<const void *>(m_block & ~std::uintptr_t(1)));
    }

    friend bool operator==(const TText &a, const TText &b) noexcept { return a.view() == b.view(); }
    friend bool operator==(const TText &a, QStringView b) noexcept { return a.view() == b; }

    void swap(TText &o) noexcept { std::swap(m_block, o.m_block); }

private:
    void assign(QStringView s)
    {
        if (s.isEmpty())
            return;
        auto *block = static_cast<quint32 *>(::operator new(BlockSize(s.size())));
        *block = quint32(s.size());
        std::memcpy(block + 1, s.utf16(), std::size_t(s.size()) * 2);
        m_block = reinterpret_cast<std::uintptr_t>(block) | 1;
    }
    void release() noexcept
    {
        if (m_block & 1)
            ::operator delete(reinterpret_cast<void *>(m_block & ~std::uintptr_t(1)));
    }

    std::uintptr_t m_block = 0;
};
