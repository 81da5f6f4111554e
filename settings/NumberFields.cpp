#include "settings/NumberFields.h"

#include "platform/Ini.h"

#include <limits>
#include <utility>

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

bool ReadTimeFields(const QString& hours, const QString& minutes, const QString& seconds, int& total)
{
    qint64 sum = 0;
    const std::pair<const QString*, int> parts[] = {{&hours, 3600}, {&minutes, 60}, {&seconds, 1}};
    for (const auto& [text, factor] : parts) {
        int v = 0;
        if (!text->isEmpty() && !ParseDecimal(*text, v))
            return false;
        sum += qint64(v) * factor;
    }
    if (sum > std::numeric_limits<int>::max() || sum < std::numeric_limits<int>::min())
        return false;
    total = int(sum);
    return true;
}
