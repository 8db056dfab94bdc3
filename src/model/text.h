#pragma once

#include <QString>
#include <QStringView>
#include <cstring>

class TArena;

// A stored text of an item: 16 bytes, either borrowed from the database's arena
// (texts read from a file; freed with the arena) or owned (texts set later).
// Copies always own their characters, so a copy never outlives borrowed memory.
class TText
{
public:
    TText() noexcept = default;
    TText(QStringView s) { assign(s); }
    TText(const QString &s) { assign(QStringView(s)); }
    TText(const TText &o) { assign(o.view()); }
    TText(TText &&o) noexcept : m_data(o.m_data), m_size(o.m_size), m_owned(o.m_owned)
    {
        o.m_data = nullptr;
        o.m_size = 0;
        o.m_owned = false;
    }
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

    // Borrows characters that live in an arena.
    static TText Borrow(const char16_t *data, qsizetype size) noexcept
    {
        TText t;
        t.m_data = data;
        t.m_size = quint32(size);
        return t;
    }

    QStringView view() const noexcept { return QStringView(m_data, qsizetype(m_size)); }
    QString toString() const { return view().toString(); }
    operator QString() const { return toString(); }
    bool isEmpty() const noexcept { return m_size == 0; }
    qsizetype size() const noexcept { return m_size; }
    bool isBorrowed() const noexcept { return m_size && !m_owned; }

    friend bool operator==(const TText &a, const TText &b) noexcept { return a.view() == b.view(); }
    friend bool operator==(const TText &a, QStringView b) noexcept { return a.view() == b; }

    void swap(TText &o) noexcept
    {
        std::swap(m_data, o.m_data);
        std::swap(m_size, o.m_size);
        std::swap(m_owned, o.m_owned);
    }

private:
    void assign(QStringView s)
    {
        if (s.isEmpty())
            return;
        auto *p = new char16_t[std::size_t(s.size())];
        std::memcpy(p, s.utf16(), std::size_t(s.size()) * sizeof(char16_t));
        m_data = p;
        m_size = quint32(s.size());
        m_owned = true;
    }
    void release() noexcept
    {
        if (m_owned)
            delete[] m_data;
    }

    const char16_t *m_data = nullptr;
    quint32 m_size = 0;
    bool m_owned = false;
};
