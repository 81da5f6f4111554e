#include "settings/TriggerSettings.h"

#include <QRegularExpression>

namespace {

int inRange(int value, int low, int high, int fallback)
{
    return value >= low && value <= high ? value : fallback;
}

} // namespace

TriggerOptions TriggerOptionsOf(const TRecordingSettings& s)
{
    using T = TriggerOptions;
    TriggerOptions t;
    t.sound = s.TriggerSound == 1;
    t.levelDb = inRange(s.TriggerLevel, T::MinLevelDb, T::MaxLevelDb, T::DefaultLevelDb);
    t.prerollSeconds = inRange(s.TriggerPreroll, 0, T::MaxPrerollSeconds, T::DefaultPrerollSeconds);
    t.silenceSeconds = inRange(s.TriggerSilence, 0, T::MaxSilenceSeconds, 0);
    t.pauseOnSilence = s.TriggerOnSilence.trimmed().compare(QLatin1String(kOnSilencePause), Qt::CaseInsensitive) == 0;
    t.start = ParseClockTime(s.TriggerStart);
    t.stop = ParseClockTime(s.TriggerStop);
    return t;
}

bool IsOnSilenceText(const QString& text)
{
    const QString t = text.trimmed();
    return t.compare(QLatin1String(kOnSilenceStop), Qt::CaseInsensitive) == 0
           || t.compare(QLatin1String(kOnSilencePause), Qt::CaseInsensitive) == 0;
}

QTime ParseClockTime(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,2}):(\\d{2})(?::(\\d{2}))?\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return {};
    const int seconds = m.capturedLength(3) > 0 ? m.captured(3).toInt() : 0;
    return QTime(m.captured(1).toInt(), m.captured(2).toInt(), seconds);   // invalid when out of range
}

bool IsClockTimeSetting(const QString& text)
{
    return text.trimmed().isEmpty() || ParseClockTime(text).isValid();
}

QString ClockTimeText(const QTime& time)
{
    return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : QString();
}

QDateTime NextClockTime(const QTime& time, const QDateTime& after)
{
    if (!time.isValid() || !after.isValid())
        return {};
    // Made from `after`, so that it is read in the same zone.
    QDateTime at = after;
    at.setTime(time);
    if (at <= after) {
        at.setDate(after.date().addDays(1));
        at.setTime(time);
    }
    return at;
}
