#include "app/DataPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

bool MakePrivateFolder(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    const QString parent = info.absolutePath();
    if (parent != path && !QFileInfo(parent).isDir() && !MakePrivateFolder(parent))
        return false;
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || errno == EEXIST;
}

QString ProgramDataFile(const QString& programPath, const QString& suffix, const QString& title)
{
    const QFileInfo program(programPath);
    const QString fileName = program.completeBaseName() + QLatin1Char('.') + suffix;
    const QString beside = program.absolutePath() + QLatin1Char('/') + fileName;
    if (QFileInfo(beside).isFile())
        return beside;

    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder = dataHome + QLatin1Char('/') + title;
    MakePrivateFolder(folder); // when this fails, using the file fails and says so
    return folder + QLatin1Char('/') + fileName;
}
