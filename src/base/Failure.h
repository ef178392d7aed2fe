#pragma once
#include <QString>
#include <exception>

// A failure that ends the current event's work and is shown to the operator
// by the default failure handler. The message is German and final.
class Failure : public std::exception
{
  public:
    explicit Failure(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

  private:
    QString m_message;
    QByteArray m_utf8;
};

// A failure's message as the operator sees it, in a message box or on a
// terminal: a "." is added when the last character's code lies above that
// of ".".
inline QString FailureDisplayText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}
