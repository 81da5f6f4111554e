#pragma once
#include <QString>
#include <functional>
// Hands a file path or a web/mailto address to the desktop's default handler. The result is
// not examined. Tests can catch the calls.
void ShellOpen(const QString& fileOrUrl);
void setShellOpenHookForTests(std::function<void(const QString&)> hook);
