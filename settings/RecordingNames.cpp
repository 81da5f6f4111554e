#include "settings/RecordingNames.h"

#include <QFileInfo>

namespace {

// Bytes a name may take before its number and extension (file systems allow 255).
constexpr qsizetype kNameBytes = 200;

bool unsafe(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f || QStringLiteral("/\\:*?\"<>|").contains(c);
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString shortened(QString name)
{
    while (name.toUtf8().size() > kNameBytes) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);   // never half a character
    }
    return name.trimmed();
}

} // namespace

QString RecordingNameFromTemplate(const QString& nameTemplate, const QDateTime& at)
{
    const QDate d = at.date();
    const QTime t = at.time();
    QString name;
    for (qsizetype i = 0; i < nameTemplate.size(); ++i) {
        const QChar c = nameTemplate[i];
        if (c != u'%' || i + 1 == nameTemplate.size()) {
            name += c;
            continue;
        }
        const QChar field = nameTemplate[++i];
        switch (field.unicode()) {
        case 'Y': name += QString::number(d.year()); break;
        case 'm': name += twoDigits(d.month()); break;
        case 'd': name += twoDigits(d.day()); break;
        case 'H': name += twoDigits(t.hour()); break;
        case 'M': name += twoDigits(t.minute()); break;
        case 'S': name += twoDigits(t.second()); break;
        case '%': name += u'%'; break;
        default: name += c; name += field; break;
        }
    }
    for (QChar& c : name) {
        if (unsafe(c))
            c = u'_';
    }
    return shortened(name.trimmed());
}

QString NextRecordingPath(const QString& folder, const QString& nameTemplate, const QString& extension,
                          const QDateTime& at, const std::function<bool(const QString&)>& exists)
{
    const auto taken = [&exists](const QString& path) { return exists ? exists(path) : QFileInfo::exists(path); };
    const QString name = RecordingNameFromTemplate(nameTemplate, at);
    if (name.isEmpty()) {
        int n = 1;
        while (taken(folder + QStringLiteral("Untitled") + QString::number(n) + extension))
            ++n;
        return folder + QStringLiteral("Untitled") + QString::number(n) + extension;
    }
    QString path = folder + name + extension;
    for (int n = 2; taken(path); ++n)
        path = folder + name + QStringLiteral(" (%1)").arg(n) + extension;
    return path;
}
