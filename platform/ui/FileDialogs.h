#pragma once
// The file-open dialog and the folder browser, through a seam that tests answer.
#include <QString>
#include <functional>

class QWidget;

// filter in the form "Text|patterns|Text|patterns" (converted to Qt's form inside).
// Returns the chosen file or an empty text when the user cancels.
QString OpenFileDialog(QWidget* parent, const QString& title, const QString& filter,
                       const QString& initialFile = QString());
// Returns the chosen folder (without a trailing "/") or an empty text when cancelled.
QString BrowseForFolder(QWidget* parent, const QString& title);
QString ConvertDialogFilter(const QString& barSeparated);

struct FileDialogRequest {
    bool folder;       // true: folder browser
    QString title;
    QString filter;
};
void setFileDialogResponder(std::function<QString(const FileDialogRequest&)> responder);
