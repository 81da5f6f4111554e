// The short stream description of the status bar.
#include "tags/StreamDescription.h"

QString ShortFormatText(const QString& Text)
{
    QString s = Text;
    if (s.contains(QStringLiteral("MPEG"), Qt::CaseSensitive)) {
        for (const QString& prefix : {QStringLiteral("MPEG 1.0 layer-"), QStringLiteral("MPEG 2.0 layer-")}) {
            const qsizetype at = s.indexOf(prefix, 0, Qt::CaseInsensitive);
            if (at >= 0)
                s.replace(at, prefix.size(), QStringLiteral("MP"));
        }
    }
    const qsizetype colon = s.indexOf(QLatin1Char(':'));
    if (colon >= 0)
        s.replace(colon, 1, QStringLiteral(" "));
    return s;
}
