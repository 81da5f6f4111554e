#pragma once
// Every message box of the program goes through here, so that tests can answer them.
#include <QString>
#include <functional>

class QWidget;

enum class MessageKind { Information, Warning, Critical, Question };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRecord {
    MessageKind kind;
    QString title;
    QString text;
};

// A plain notice with an OK button ("New name can not be blank!"). Title: the application title.
void ShowMessage(const QString& text);
// Title "Information", information icon, OK ("Please input correct integer number!").
void ShowInformation(const QString& text);
// Title "Confirm", question icon, Yes and No. True for Yes.
bool AskConfirm(const QString& text);
// The general error report: title "Tavrin", error icon, OK; "." added when the text's last
// character sorts after ".".
void ShowErrorReport(const QString& text);
QString ErrorReportText(const QString& text);

// Test seam: while a responder is set, no box is shown; the responder sees each box and
// returns the answer (Yes/No for questions, Ok otherwise).
using MessageResponder = std::function<MessageAnswer(const MessageRecord&)>;
void setMessageResponder(MessageResponder responder);   // empty function: real boxes again
