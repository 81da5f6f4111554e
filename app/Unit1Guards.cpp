// What a long recording needs from the main window: the desktop kept awake while it runs.
#include "app/Unit1.h"
#include "platform/SleepGuard.h"

void TForm1::KeepAwake(bool on)
{
    if (!on) {
        if (sleepGuard_)
            sleepGuard_->release();
        return;
    }
    // Made at the first recording: the program does not reach for the buses before that.
    if (!sleepGuard_)
        sleepGuard_ = std::make_unique<SleepGuard>();
    sleepGuard_->hold(QStringLiteral("Идёт запись звука"));
}
