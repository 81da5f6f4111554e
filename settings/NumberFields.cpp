#include "settings/NumberFields.h"

#include "app/Unit1.h"
#include "platform/Ini.h"
#include "platform/ui/MessageBoxes.h"
#include "settings/RecordingSettings.h"

#include <QLineEdit>
#include <limits>

bool ParseDecimal(const QString& text, int& value)
{
    return IniFile::ParseInteger(text, value);
}

int StrToInt(const QString& text)
{
    int value = 0;
    if (!ParseDecimal(text, value))
        throw ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

bool ReadTimeFields(const QLineEdit& hours, const QLineEdit& minutes, const QLineEdit& seconds,
                    int& total)
{
    qint64 sum = 0;
    const std::pair<const QLineEdit*, int> parts[] = {{&hours, 3600}, {&minutes, 60}, {&seconds, 1}};
    for (const auto& [field, factor] : parts) {
        int v = 0;
        if (!field->text().isEmpty() && !ParseDecimal(field->text(), v))
            return false;
        sum += qint64(v) * factor;
    }
    if (sum > std::numeric_limits<int>::max() || sum < std::numeric_limits<int>::min())
        return false;
    total = int(sum);
    return true;
}

bool TakeTimeLimit(bool limitSelected, const QLineEdit& hours, const QLineEdit& minutes,
                   const QLineEdit& seconds)
{
    if (limitSelected) {
        int total = 0;
        if (!ReadTimeFields(hours, minutes, seconds, total)) {
            ShowInformation(QStringLiteral("Please input correct integer number!"));
            return false;
        }
        RecordingSettings.TimeLimit = total;
        if (Form1)
            Form1->setAutostopButton(true, QStringLiteral("Auto stop recording is set to ")
                                               + TForm1::DurationText(total));
    } else {
        RecordingSettings.TimeLimit = -1;
        if (Form1)
            Form1->setAutostopButton(false, QStringLiteral("No Auto stop."));
    }
    return true;
}
