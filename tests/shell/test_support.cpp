// The shared GUI test helpers behave as other areas' tests rely on.
#include "support/GuiTestSupport.h"

#include <QDialog>
#include <gtest/gtest-spi.h>

TEST(ModalDialogHandler, HandsEachModalDialogToTheTest)
{
    testApplication();
    ModalDialogHandler handler;
    handler.onDialog = [](QWidget* w) { qobject_cast<QDialog*>(w)->accept(); };
    QDialog first;
    first.setWindowTitle("first");
    EXPECT_EQ(first.exec(), QDialog::Accepted);
    QDialog second;
    EXPECT_EQ(second.exec(), QDialog::Accepted);
    EXPECT_EQ(handler.seen, QStringList({"QDialog", "QDialog"}));
}

TEST(ModalDialogHandler, ADialogLeftOpenFailsTheTestInsteadOfHangingIt)
{
    testApplication();
    ModalDialogHandler handler;
    handler.timeoutMs = 50;
    QDialog dialog;
    dialog.setWindowTitle("Forgotten");
    int result = -1;
    EXPECT_NONFATAL_FAILURE(result = dialog.exec(), "\"Forgotten\" was left open");
    EXPECT_EQ(result, QDialog::Rejected);
}

TEST(MessageBoxRecorder, QueuedAnswersThenTheDefault)
{
    testApplication();
    MessageBoxRecorder rec;
    rec.defaultAnswer = MessageAnswer::No;
    rec.answerNext(MessageAnswer::Yes);
    EXPECT_TRUE(AskConfirm("Rewrite File?"));
    EXPECT_FALSE(AskConfirm("Rewrite File?"));
    ShowMessage("Invalid Year Value");
    EXPECT_EQ(rec.texts(), QStringList({"Rewrite File?", "Rewrite File?", "Invalid Year Value"}));
}
