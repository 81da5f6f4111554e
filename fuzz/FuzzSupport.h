#pragma once
// Helpers of the fuzz targets: a Qt application object for the targets that need fonts, and a
// per-process scratch file for the targets that read files.
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QString>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace fuzzsupport {

inline QGuiApplication* guiApp()
{
    static int argc = 1;
    static char name[] = "tavrin_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QGuiApplication(argc, argv);   // never destroyed: the fuzzer ends with exit()
    }();
    return app;
}

// Writes the bytes to /tmp/tavrin_fuzz_<pid><suffix> and returns the path.
inline QString scratchFile(const std::uint8_t* data, std::size_t size, const QString& suffix)
{
    const QString path = QStringLiteral("/tmp/tavrin_fuzz_%1%2").arg(getpid()).arg(suffix);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    return path;
}

// The extensions the open dialogs offer, and a few headerless ones read by extension.
inline QString extensionFor(std::uint8_t selector)
{
    static const char* const ext[] = {".mp3", ".wav", ".wma", ".ogg", ".mpc", ".avi", ".vox", ".raw",
                                      ".pcm", ".gsm", ".g721", ".g726", ".g723", ".mp2", ".mp1", ".asf",
                                      ".au", ".aif", ".flac", ".bin"};
    return QString::fromLatin1(ext[selector % (sizeof ext / sizeof ext[0])]);
}

} // namespace fuzzsupport
