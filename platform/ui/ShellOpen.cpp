#include "platform/ui/ShellOpen.h"

#include <QDesktopServices>
#include <QRegularExpression>
#include <QUrl>

namespace {
std::function<void(const QString&)>& hook()
{
    static std::function<void(const QString&)> h;
    return h;
}
} // namespace

void ShellOpen(const QString& fileOrUrl)
{
    if (hook()) {
        hook()(fileOrUrl);
        return;
    }
    // A scheme of two or more letters followed by ":" is an address (http:, https:, mailto:,
    // file:); anything else is a path of the file system.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    const QUrl url = scheme.match(fileOrUrl).hasMatch() ? QUrl(fileOrUrl)
                                                        : QUrl::fromLocalFile(fileOrUrl);
    QDesktopServices::openUrl(url);
}

void setShellOpenHookForTests(std::function<void(const QString&)> h)
{
    hook() = std::move(h);
}
