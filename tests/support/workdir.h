#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A fresh working directory for the program, made current while it lives.
class WorkDir {
public:
    WorkDir() { QDir::setCurrent(m_dir.path()); }
    ~WorkDir() { QDir::setCurrent(m_previous); }

    QString path() const { return m_dir.path(); }
    void writeConfig(const QByteArray& contents)
    {
        QFile file(m_dir.filePath(QStringLiteral("config.txt")));
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            qFatal("cannot write config.txt");
    }

private:
    QString m_previous = QDir::currentPath();
    QTemporaryDir m_dir;
};
