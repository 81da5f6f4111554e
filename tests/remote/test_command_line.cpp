// The command line, the requests it makes of a running program, and the instance names that
// keep programs with different settings files apart.
#include "app/CommandLine.h"
#include "app/HandOver.h"
#include "platform/SingleInstance.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Command = CommandLine::Command;

TEST(CommandLine, CommandsFilesAndMistakes)
{
    const struct {
        QStringList args;
        Command command;
        QStringList files;
        bool error;
    } cases[] = {
        {{}, Command::None, {}, false},
        {{"a.wav", "b c.mp3"}, Command::None, {"a.wav", "b c.mp3"}, false},
        {{"--record"}, Command::Record, {}, false},
        {{"--toggle", "x.wav"}, Command::Toggle, {"x.wav"}, false},
        {{"--stop"}, Command::Stop, {}, false},
        {{"--pause"}, Command::Pause, {}, false},
        {{"--status"}, Command::Status, {}, false},
        {{"--", "--record"}, Command::None, {"--record"}, false},   // a file of that name
        {{"--record", "--stop"}, Command::None, {}, true},
        {{"--status", "a.wav"}, Command::None, {"a.wav"}, true},
        {{"--recrod"}, Command::None, {}, true},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(QStringList{"tavrin"} + c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(line.command, c.command);
        EXPECT_EQ(line.files, c.files);
        EXPECT_EQ(!line.error.isEmpty(), c.error) << line.error.toStdString();
        EXPECT_FALSE(line.help || line.version);
    }
    EXPECT_TRUE(ParseCommandLine({"tavrin", "--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"tavrin", "-h"}).help);
    EXPECT_TRUE(ParseCommandLine({"tavrin", "--version"}).version);
}

TEST(CommandLine, RequestsForTheRunningProgram)
{
    using Kind = InstanceRequest::Kind;
    const auto requests = [](const QStringList& args) {
        return RequestsOf(ParseCommandLine(QStringList{"tavrin"} + args), "/home/u/Музыка");
    };
    ASSERT_EQ(requests({}).size(), 1);
    EXPECT_EQ(requests({})[0].kind, Kind::Activate);

    const QList<InstanceRequest> both = requests({"--record", "a b.wav", "/abs/c.mp3", "file:///x/d%20e.wav"});
    ASSERT_EQ(both.size(), 2);
    EXPECT_EQ(both[0].kind, Kind::Open);   // the files first, then the command
    EXPECT_EQ(both[0].uris, (QStringList{"file:///home/u/%D0%9C%D1%83%D0%B7%D1%8B%D0%BA%D0%B0/a%20b.wav",
                                         "file:///abs/c.mp3", "file:///x/d%20e.wav"}));
    EXPECT_EQ(both[1].kind, Kind::Action);
    EXPECT_EQ(both[1].action, "record");

    const QList<InstanceRequest> status = requests({"--status"});
    ASSERT_EQ(status.size(), 1);
    EXPECT_EQ(status[0].kind, Kind::Status);
    for (Command c : {Command::Stop, Command::Pause, Command::Toggle})
        EXPECT_FALSE(CommandActionName(c).isEmpty());
}

TEST(CommandLine, EachSettingsFolderHasAnInstanceNameOfItsOwn)
{
    QTemporaryDir a, b;
    const QString user = "/home/u/.config/tavrin/";
    EXPECT_EQ(InstanceName("/home/u/.config/tavrin", user), "org.example.tavrin");
    const QString nameA = InstanceName(a.path() + "/", user);
    EXPECT_TRUE(QRegularExpression("^org\\.example\\.tavrin\\.x[0-9a-f]{16}$").match(nameA).hasMatch()) << nameA.toStdString();
    EXPECT_EQ(InstanceName(a.path() + "/sub/..", user), nameA);
    EXPECT_NE(InstanceName(b.path(), user), nameA);
}
