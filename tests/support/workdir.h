#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh working directory for the program, made current while it lives.
class WorkDir {
public:
    WorkDir();
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    QString path() const { return m_dir.path(); }
    void writeConfig(const QByteArray& contents);

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
