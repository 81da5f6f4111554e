#include "engine/backends/MixerLayout.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace tavrin::mixer {

namespace {

bool isBoost(const ElementCaps& e) { return e.name.contains(QLatin1String("Boost"), Qt::CaseInsensitive); }

bool isPlaybackLine(const ElementCaps& e)
{
    return !e.enumerated && !isBoost(e) && (e.playbackVolume || e.playbackSwitch);
}

bool isCaptureLine(const ElementCaps& e)
{
    return !e.enumerated && (e.captureVolume || e.captureSwitch);
}

// The line whose name begins `name` (as whole words), the longest such; else line 0.
int ownerOf(const QString& name, const QList<LinePlan>& lines)
{
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i].name;
        if (line.isEmpty() || line.size() <= bestLength)
            continue;
        const bool prefix = name.compare(line, Qt::CaseInsensitive) == 0
            || (name.startsWith(line, Qt::CaseInsensitive) && name.size() > line.size()
                && name.at(line.size()) == QLatin1Char(' '));
        if (prefix) {
            best = i;
            bestLength = line.size();
        }
    }
    return best >= 0 ? best : 0;
}

void addAdvanced(QList<LinePlan>& lines, const QList<ElementCaps>& elements, int element, bool input)
{
    if (lines.isEmpty())
        return;
    const ElementCaps& e = elements[element];
    LinePlan& owner = lines[ownerOf(e.name, lines)];
    if (e.enumerated) {
        owner.advanced.append({element, AdvancedControl::Kind::Choice, e.name});
        return;
    }
    const bool level = e.commonVolume || (input ? e.captureVolume : e.playbackVolume);
    const bool toggle = e.commonSwitch || (input ? e.captureSwitch : e.playbackSwitch);
    if (level)
        owner.advanced.append({element, AdvancedControl::Kind::Level, e.name});
    if (toggle)
        owner.advanced.append({element, AdvancedControl::Kind::Switch,
                               level ? e.name + QLatin1String(" Switch") : e.name});
}

} // namespace

QList<LinePlan> planLines(const QList<ElementCaps>& elements, bool input)
{
    QList<LinePlan> lines;
    for (int i = 0; i < elements.size(); ++i) {
        const ElementCaps& e = elements[i];
        if (input ? isCaptureLine(e) : isPlaybackLine(e)) {
            LinePlan line;
            line.name = e.name;
            line.element = i;
            lines.append(line);
        }
    }

    int selection = -1;
    if (input) {
        for (int i = 0; i < elements.size() && selection < 0; ++i)
            if (elements[i].enumerated && elements[i].captureEnum && !elements[i].items.isEmpty())
                selection = i;
        if (selection >= 0) {
            const QStringList& items = elements[selection].items;
            for (int item = 0; item < items.size(); ++item) {
                auto match = std::find_if(lines.begin(), lines.end(), [&](const LinePlan& l) {
                    return l.name.compare(items[item], Qt::CaseInsensitive) == 0;
                });
                if (match == lines.end()) {
                    LinePlan line;
                    line.name = items[item];
                    lines.append(line);
                    match = lines.end() - 1;
                }
                match->selectEnum = selection;
                match->selectItem = item;
            }
        }
    }

    for (int i = 0; i < elements.size(); ++i) {
        if (i == selection)
            continue;
        const ElementCaps& e = elements[i];
        if (isPlaybackLine(e) || isCaptureLine(e))
            continue;   // a line on one side or the other
        const bool inputSide = e.enumerated ? e.captureEnum : isBoost(e);
        if (inputSide == input)
            addAdvanced(lines, elements, i, input);
    }
    return lines;
}

int toUnit(long raw, long min, long max)
{
    if (max <= min)
        return 0;
    const double v = std::round(static_cast<double>(raw - min) * 65535.0 / static_cast<double>(max - min));
    return static_cast<int>(std::clamp(v, 0.0, 65535.0));
}

long fromUnit(int value, long min, long max)
{
    if (max <= min)
        return min;
    const int v = std::clamp(value, 0, 65535);
    return min + static_cast<long>(std::llround(static_cast<double>(v) * static_cast<double>(max - min) / 65535.0));
}

int balanceOf(long left, long right)
{
    if (left <= 0 && right <= 0)
        return -1;
    if (left == right)
        return 50;
    if (left > right)
        return static_cast<int>(std::lround(50.0 * std::max(0L, right) / static_cast<double>(left)));
    return 100 - static_cast<int>(std::lround(50.0 * std::max(0L, left) / static_cast<double>(right)));
}

void levelsFor(long volume, int balance, long& left, long& right)
{
    const int b = std::clamp(balance, 0, 100);
    left = right = volume;
    if (b < 50)
        right = std::lround(static_cast<double>(volume) * b / 50.0);
    else if (b > 50)
        left = std::lround(static_cast<double>(volume) * (100 - b) / 50.0);
}

QString controlDeviceFor(const QString& pcmName)
{
    const QString name = pcmName.trimmed();
    static const QRegularExpression card(QStringLiteral("CARD=([^,\\s)]+)"));
    if (auto m = card.match(name); m.hasMatch())
        return QStringLiteral("hw:") + m.captured(1);
    static const QRegularExpression hw(QStringLiteral("hw:(\\d+|[A-Za-z_]\\w*)"));
    if (auto m = hw.match(name); m.hasMatch())
        return QStringLiteral("hw:") + m.captured(1);
    return name;
}

} // namespace tavrin::mixer
