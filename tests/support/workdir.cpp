#include "workdir.h"

#include <QDir>
#include <QFile>

WorkDir::WorkDir()
    : m_previous(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
}

WorkDir::~WorkDir() { QDir::setCurrent(m_previous); }

void WorkDir::writeConfig(const QByteArray& contents)
{
    QFile file(m_dir.filePath(QStringLiteral("config.txt")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) < 0)
        qFatal("cannot write config.txt");
}
