#include "platform/ui/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace {

std::function<QString(const FileDialogRequest&)>& responder()
{
    static std::function<QString(const FileDialogRequest&)> r;
    return r;
}

// "Wav files (*.wav)" -> "Wav files": Qt reads the patterns from the last parentheses, so the
// description keeps only its text and gets the converted patterns appended.
QString stripPatternPart(const QString& text)
{
    QString t = text.trimmed();
    if (t.endsWith(QLatin1Char(')'))) {
        const qsizetype open = t.lastIndexOf(QLatin1Char('('));
        if (open >= 0)
            t = t.left(open).trimmed();
    }
    return t;
}

} // namespace

QString ConvertDialogFilter(const QString& barSeparated)
{
    const QStringList parts = barSeparated.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString text = parts[i];
        const QString patternText = i + 1 < parts.size() ? parts[i + 1] : QString();
        if (text.trimmed().isEmpty() && patternText.trimmed().isEmpty())
            continue;   // the empty tail after a trailing bar
        QStringList patterns;
        for (const QString& p : patternText.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pat = p.trimmed();
            if (pat.isEmpty())
                continue;
            // "*.*" means every file on the system the filter was written for; here a file
            // need not have a dot in its name.
            patterns << (pat == QLatin1String("*.*") ? QStringLiteral("*") : pat);
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        QString label = stripPatternPart(text);
        if (label.isEmpty())
            label = patterns.join(QLatin1Char(' '));
        out << label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

QString OpenFileDialog(QWidget* parent, const QString& title, const QString& filter,
                       const QString& initialFile)
{
    if (responder())
        return responder()(FileDialogRequest{false, title, filter});
    QString dir;
    if (!initialFile.isEmpty())
        dir = initialFile;
    return QFileDialog::getOpenFileName(parent, title, dir, ConvertDialogFilter(filter));
}

QString BrowseForFolder(QWidget* parent, const QString& title)
{
    QString folder;
    if (responder())
        folder = responder()(FileDialogRequest{true, title, QString()});
    else
        folder = QFileDialog::getExistingDirectory(parent, title);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

void setFileDialogResponder(std::function<QString(const FileDialogRequest&)> r)
{
    responder() = std::move(r);
}
