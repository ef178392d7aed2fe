#pragma once
#include <QByteArray>
#include <QString>

#include <functional>

// Where a command's output goes: values on stdout, messages on stderr, so a
// script can take stdout as it is. Tests hand in their own sinks.
class Console
{
  public:
    using Sink = std::function<void(const QByteArray &)>;
    Console(Sink out, Sink err) : m_out(std::move(out)), m_err(std::move(err)) {}
    // The process's own stdout and stderr.
    static Console standard();

    // One value line. A byte of the file that was no valid UTF-8 (carried in
    // the text as U+DC80..U+DCFF) is written back as that byte.
    void value(const QString &line) const;
    void text(const QString &text) const;      // as it is, no newline added
    void bytes(const QByteArray &bytes) const; // on stdout as they are
    // One message line, ended with a full stop as the window shows failures.
    void message(const QString &line) const;
    // A hint on stderr as it is (a usage line).
    void hint(const QString &line) const;

  private:
    Sink m_out;
    Sink m_err;
};

// The settings text as bytes for the terminal: UTF-8, escaped bytes restored.
QByteArray OutputBytes(const QString &text);
