#pragma once
// A private D-Bus daemon for the tests of a program: one dbus-daemon in a folder of its own,
// named as both the session and the system bus of the process (DBUS_SESSION_BUS_ADDRESS,
// DBUS_SYSTEM_BUS_ADDRESS; children started afterwards inherit them). Started at the first
// call, ended with the test program. Returns its address, empty when it does not start.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

inline QString privateBus()
{
    static QTemporaryDir dir;
    static const QString address = [] {
        QFile conf(dir.filePath("bus.conf"));
        if (!conf.open(QIODevice::WriteOnly))
            return QString();
        conf.write(QStringLiteral("<busconfig><type>session</type><listen>unix:tmpdir=%1</listen><auth>EXTERNAL</auth>"
                                  "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>").arg(dir.path()).toUtf8());
        conf.close();
        const QByteArray config = "--config-file=" + QFile::encodeName(conf.fileName());
        int out[2];
        if (pipe(out) != 0)
            return QString();
        if (fork() == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
            const QByteArray print = "--print-address=" + QByteArray::number(out[1]);
            execlp("dbus-daemon", "dbus-daemon", config.constData(), print.constData(), "--nofork", "--nopidfile", nullptr);
            _exit(127);
        }
        close(out[1]);
        char line[512] = {};
        const ssize_t n = read(out[0], line, sizeof line - 1);
        close(out[0]);
        const QByteArray bus = QByteArray(line, int(std::max<ssize_t>(n, 0))).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus);
        return QString::fromUtf8(bus);
    }();
    return address;
}
