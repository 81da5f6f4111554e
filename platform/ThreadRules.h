#pragma once
// The program's thread rules, asserted at the entry points in debug builds. Whatever drives the
// windows and the recording session runs on the UI thread (the thread of the application
// object); what may run elsewhere says so in its own header.
#include <QCoreApplication>
#include <QThread>

inline void assertUiThread()
{
    Q_ASSERT_X(!QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread(),
               "assertUiThread", "called off the UI thread");
}
