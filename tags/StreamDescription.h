#pragma once
// The short stream description of the status bar: "MPEG 1.0 layer-" and "MPEG 2.0 layer-"
// become "MP" (when the text holds "MPEG" in capitals), and the first ":" a blank.
#include <QString>

QString ShortFormatText(const QString& Text);
