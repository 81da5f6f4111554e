#include "engine/EngineError.h"
#include "platform/ui/Guarded.h"
#include "platform/ui/MessageBoxes.h"
#include "support/GuiTestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <gtest/gtest.h>

TEST(ErrorReportText, AddsAFullStopOnlyAfterCharactersSortingAfterIt)
{
    EXPECT_EQ(ErrorReportText("Cannot create /x/Recording/"), "Cannot create /x/Recording/.");
    EXPECT_EQ(ErrorReportText("Unable to create directory"), "Unable to create directory.");
    EXPECT_EQ(ErrorReportText("Device 5"), "Device 5.");
    EXPECT_EQ(ErrorReportText("Ошибка"), "Ошибка.");
    // Already ends in a full stop, or in a character sorting before it.
    EXPECT_EQ(ErrorReportText("Done."), "Done.");
    EXPECT_EQ(ErrorReportText("Stop!"), "Stop!");
    EXPECT_EQ(ErrorReportText("(see log)"), "(see log)");
    EXPECT_EQ(ErrorReportText("a-"), "a-");
    EXPECT_EQ(ErrorReportText("trailing "), "trailing ");
    EXPECT_EQ(ErrorReportText(""), "");
}

TEST(MessageBoxes, EachKindHasItsTitleAndAnswer)
{
    testApplication();
    MessageBoxRecorder rec;
    ShowMessage("New name can not be blank!");
    ShowInformation("Please input correct integer number!");
    rec.answerNext(MessageAnswer::No);
    EXPECT_FALSE(AskConfirm("Rewrite File?"));
    rec.answerNext(MessageAnswer::Yes);
    EXPECT_TRUE(AskConfirm("Rewrite File?"));
    ShowErrorReport("Unable to write to /x/setup.ini");

    ASSERT_EQ(rec.count(), 5);
    EXPECT_EQ(rec.shown()[0].title, "Tavrin");
    EXPECT_EQ(rec.shown()[0].text, "New name can not be blank!");
    EXPECT_EQ(rec.shown()[1].title, "Information");
    EXPECT_EQ(rec.shown()[1].kind, MessageKind::Information);
    EXPECT_EQ(rec.shown()[2].title, "Confirm");
    EXPECT_EQ(rec.shown()[2].kind, MessageKind::Question);
    EXPECT_EQ(rec.shown()[4].title, "Tavrin");
    EXPECT_EQ(rec.shown()[4].kind, MessageKind::Critical);
    EXPECT_EQ(rec.shown()[4].text, "Unable to write to /x/setup.ini.");
}

namespace {
class ThrowingObject : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw EngineError("The input device is gone");
        if (e->type() == QEvent::User + 1)
            throw 42;
        return QObject::event(e);
    }
};
} // namespace

TEST(GeneralErrorReport, CatchesAnExceptionLeavingAnEventHandler)
{
    testApplication();
    MessageBoxRecorder rec;
    ThrowingObject obj;
    QEvent ev(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&obj, &ev));
    ASSERT_EQ(rec.count(), 1);
    EXPECT_EQ(rec.last().kind, MessageKind::Critical);
    EXPECT_EQ(rec.last().title, "Tavrin");
    EXPECT_EQ(rec.last().text, "The input device is gone.");

    // Posted events take the same road, and the loop goes on afterwards.
    QCoreApplication::postEvent(&obj, new QEvent(QEvent::Type(QEvent::User + 1)));
    QCoreApplication::postEvent(&obj, new QEvent(QEvent::User));
    pumpEvents();
    ASSERT_EQ(rec.count(), 3);
    EXPECT_EQ(rec.shown()[1].text, "Unknown error.");
    EXPECT_EQ(rec.shown()[2].text, "The input device is gone.");
}

TEST(GeneralErrorReport, GuardedHandlersReportAndTheSignalChainGoesOn)
{
    testApplication();
    MessageBoxRecorder rec;
    QAction action;
    int after = 0;
    QObject::connect(&action, &QAction::triggered, &action,
                     guarded([] { throw EngineError("Cannot create /nowhere/"); }));
    QObject::connect(&action, &QAction::triggered, &action, [&] { ++after; });
    action.trigger();
    ASSERT_EQ(rec.count(), 1);
    EXPECT_EQ(rec.last().text, "Cannot create /nowhere/.");
    EXPECT_EQ(after, 1);   // the next handler of the same signal still ran

    // Arguments are passed on; a handler may take fewer than the signal carries.
    int got = -1;
    QObject::connect(&action, &QAction::triggered, &action, guarded([&](bool checked) { got = checked; }));
    action.setCheckable(true);
    action.trigger();
    EXPECT_EQ(got, 1);

    bool ran = false;
    QTimer::singleShot(0, &action, guarded([&] {
        ran = true;
        throw std::runtime_error("timer failed");
    }));
    pumpEvents();
    EXPECT_TRUE(ran);
    EXPECT_EQ(rec.last().text, "timer failed.");

    EXPECT_FALSE(runGuarded([] { throw EngineError("x"); }));
    EXPECT_TRUE(runGuarded([] {}));
    EXPECT_EQ(rec.last().text, "x.");
}

TEST(GeneralErrorReport, NothingToReportOutsideACatch)
{
    testApplication();
    MessageBoxRecorder rec;
    ReportCurrentException();
    EXPECT_EQ(rec.count(), 0);
}
