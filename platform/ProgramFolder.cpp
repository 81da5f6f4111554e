#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

// The installed side-file folder relative to the installed program (set by the build from the
// install directories).
#ifndef TAVRIN_DATA_FROM_BIN
#define TAVRIN_DATA_FROM_BIN "../share/tavrin"
#endif

namespace {

QString withSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString& folderOverride()
{
    static QString folder;
    return folder;
}

std::optional<FileLocations>& forcedLocations()
{
    static std::optional<FileLocations> locations;
    return locations;
}

// One value of user-dirs.dirs: "$HOME/path" or "/absolute/path", with backslash escapes.
QString userDirValue(QString value, const QString& home)
{
    value = value.trimmed();
    if (value.size() < 2 || !value.startsWith(u'"') || !value.endsWith(u'"'))
        return {};
    value = value.mid(1, value.size() - 2);
    QString plain;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size())
            ++i;
        plain += value[i];
    }
    if (plain.startsWith(QLatin1String("$HOME")))
        plain = home + plain.mid(5);
    else if (!plain.startsWith(u'/'))
        return {};
    return plain;
}

QString userConfigHome(const QString& home, const QString& xdgConfigHome)
{
    return QDir::isAbsolutePath(xdgConfigHome) ? withSlash(QDir::cleanPath(xdgConfigHome))
                                               : withSlash(QDir::cleanPath(home)) + QStringLiteral(".config/");
}

} // namespace

QString UserConfigFolder(const QString& home, const QString& xdgConfigHome)
{
    return userConfigHome(home, xdgConfigHome) + QStringLiteral("tavrin/");
}

QString UserMusicFolder(const QString& home, const QString& configHome)
{
    QFile file(withSlash(configHome) + QStringLiteral("user-dirs.dirs"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QString music;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1String("XDG_MUSIC_DIR=")))
            music = userDirValue(line.mid(14), home);
    }
    if (music.isEmpty() || QDir::cleanPath(music) == QDir::cleanPath(home))
        return {};
    return withSlash(QDir::cleanPath(music));
}

FileLocations ChooseFileLocations(const LocationInputs& in)
{
    FileLocations l;
    const QString program = withSlash(in.programFolder);
    const QString installedData = QDir::cleanPath(program + QStringLiteral(TAVRIN_DATA_FROM_BIN));
    const bool fromPrefix = QFileInfo(installedData).isDir();
    l.installed = fromPrefix || !in.programFolderWritable;
    l.dataFolder = fromPrefix ? withSlash(installedData) : program;
    if (!l.installed) {
        l.configFolder = program;
        l.saveFolder = program + QStringLiteral("Recording/");
        return l;
    }
    const QString home = withSlash(QDir::cleanPath(in.home));
    const QString configHome = userConfigHome(in.home, in.xdgConfigHome);
    l.configFolder = UserConfigFolder(in.home, in.xdgConfigHome);
    const QString music = UserMusicFolder(home, configHome);
    l.saveFolder = (music.isEmpty() ? home : music) + QStringLiteral("Recording/");
    return l;
}

QString ProgramFolder()
{
    const QString& forced = folderOverride();
    if (!forced.isEmpty())
        return forced;
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

const FileLocations& Locations()
{
    if (const auto& forced = forcedLocations())
        return *forced;
    static const FileLocations chosen = [] {
        LocationInputs in;
        in.programFolder = ProgramFolder();
        in.programFolderWritable = QFileInfo(in.programFolder).isWritable();
        in.home = QDir::homePath();
        in.xdgConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        FileLocations l = ChooseFileLocations(in);
        if (l.installed)
            QDir().mkpath(l.configFolder);  // a failure shows at the first write of setup.ini
        return l;
    }();
    return chosen;
}

void setProgramFolderForTests(const QString& folder)
{
    folderOverride() = withSlash(folder);
    if (folder.isEmpty()) {
        forcedLocations().reset();
        return;
    }
    const QString f = withSlash(folder);
    forcedLocations() = FileLocations{f, f, f + QStringLiteral("Recording/"), false};
}
