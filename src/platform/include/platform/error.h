#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace platform {

// Base of every failure the program reports to the user. The message is what the
// error box shows; handlers let these propagate to the guard at the event boundary.
class Error : public std::exception
{
public:
    explicit Error(QString message);

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A text that should have been an integer and is not.
class EConvertError : public Error
{
public:
    using Error::Error;
};

// A file that could not be read or written.
class EFileError : public Error
{
public:
    using Error::Error;
};

// What the user is told of a failure caught as `failure`: an Error's message, another
// exception's text, or a general sentence for anything else.
QString errorText(const std::exception_ptr &failure);

} // namespace platform
