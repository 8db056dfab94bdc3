#pragma once

#include <QString>
#include <exception>

// The model's failure: a misuse ("TLookupList.Edit : item not found in list") or a
// broken file ("This is not a valid Qel database"). The text is shown to the user as is.
class EQel : public std::exception
{
public:
    explicit EQel(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Raised by the stream reader for a malformed or truncated file; the database
// container turns it into "This is not a valid Qel database".
class EQelRead : public EQel
{
public:
    EQelRead() : EQel(QStringLiteral("This is not a valid Qel database")) {}
};
