#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A fresh directory per test, removed with the fixture.
class TempDir
{
  public:
    QString path(const QString &name = QString()) const
    {
        return name.isEmpty() ? m_dir.path() : m_dir.path() + QLatin1Char('/') + name;
    }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

  private:
    QTemporaryDir m_dir;
};
