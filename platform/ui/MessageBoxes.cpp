#include "platform/ui/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace {

const QString kAppTitle = QStringLiteral("Tavrin");

MessageResponder& responder()
{
    static MessageResponder r;
    return r;
}

QWidget* boxParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

MessageAnswer show(MessageKind kind, const QString& title, const QString& text)
{
    if (responder())
        return responder()(MessageRecord{kind, title, text});

    QMessageBox box(boxParent());
    box.setWindowTitle(title);
    box.setText(text);
    switch (kind) {
    case MessageKind::Information: box.setIcon(QMessageBox::Information); break;
    case MessageKind::Warning:     box.setIcon(QMessageBox::Warning); break;
    case MessageKind::Critical:    box.setIcon(QMessageBox::Critical); break;
    case MessageKind::Question:    box.setIcon(QMessageBox::Question); break;
    }
    if (kind == MessageKind::Question) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

} // namespace

void ShowMessage(const QString& text)
{
    // A plain notice: no icon, only the application title and an OK button.
    if (responder()) {
        responder()(MessageRecord{MessageKind::Information, kAppTitle, text});
        return;
    }
    QMessageBox box(boxParent());
    box.setWindowTitle(kAppTitle);
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void ShowInformation(const QString& text)
{
    show(MessageKind::Information, QCoreApplication::translate("MessageBoxes", "Information"), text);
}

bool AskConfirm(const QString& text)
{
    return show(MessageKind::Question, QCoreApplication::translate("MessageBoxes", "Confirm"), text) == MessageAnswer::Yes;
}

QString ErrorReportText(const QString& text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void ShowErrorReport(const QString& text)
{
    show(MessageKind::Critical, kAppTitle, ErrorReportText(text));
}

void setMessageResponder(MessageResponder r)
{
    responder() = std::move(r);
}
