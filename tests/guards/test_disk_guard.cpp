// The room on the disk of the save folder: the record command asks when less than ten minutes
// fit, the status bar shows the time left while recording, and a recording that fills the disk
// stops by itself before a write can fail: a normal stop with one message, the file kept and
// listed, and every reader of the program opens it.
#include "app/Unit1.h"
#include "engine/BlockWriter.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioInformation2.h"
#include "engine/backends/VirtualBackend.h"
#include "platform/DiskSpace.h"
#include "settings/RecordingSettings.h"
#include "support/GuiTestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cmath>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace {

// A file system of 3 MiB: a size-limited tmpfs where the test may mount one, else a temporary
// folder whose free space is answered as 3 MiB less what it holds.
class SmallDisk {
public:
    static constexpr qint64 kSize = 3 << 20;
    SmallDisk()
    {
        mounted_ = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, "size=3m") == 0;
        if (!mounted_)
            setFreeDiskBytesForTests([this](const QString&) { return kSize - used(); });
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
        else
            setFreeDiskBytesForTests({});
    }
    QString folder() const { return dir_.path() + "/rec/"; }
    qint64 used() const
    {
        qint64 n = 0;
        for (QDirIterator it(dir_.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            n += QFileInfo(it.next()).size();
        return n;
    }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

class DiskGuardTest : public GuiTest {
protected:
    TForm1* start(const QString& format)
    {
        backend.setInputGenerator([](qint64 k, int ch) { return float(0.5 * std::sin(0.05 * double(k) + ch)); });
        TForm1* f = openMainWindow(true, &backend, false);
        RecordingSettings.SavePath = disk.folder();
        RecordingSettings.SaveFormat = format;
        return f;
    }
    void TearDown() override
    {
        closeMainWindow();
        RecordingSettings = TRecordingSettings{};
    }
    // A second of virtual time, then the writer thread catches up: the room left is counted
    // from what it has written, which a slow machine would otherwise leave behind the clock.
    void runSecond(TForm1* f)
    {
        backend.advanceAndProcess(1000, 20);
        if (f->RecordWriter) {
            f->RecordWriter->flush();
            QCoreApplication::processEvents();
        }
    }
    SmallDisk disk;
    VirtualBackend backend{VirtualBackend::ClockMode::Manual};
};

} // namespace

TEST_F(DiskGuardTest, BelowTenMinutesTheRecordCommandAsksFirst)
{
    TForm1* f = start(".wav");
    messages.answerNext(MessageAnswer::No);
    f->Record1->trigger();
    EXPECT_FALSE(f->IsRecording);
    EXPECT_FALSE(QDir(disk.folder()).exists());   // no target made
    EXPECT_TRUE(f->Options2->isEnabled());
    EXPECT_NE(f->statusText(0), "Recording...");
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().kind, MessageKind::Question);
    EXPECT_TRUE(messages.last().text.contains("has room for less than a minute of recording")) << messages.last().text.toStdString();

    RecordingSettings.SavePath = folder.path();   // the ordinary temporary folder: no question
    f->Record1->trigger();
    EXPECT_TRUE(f->IsRecording);
    EXPECT_EQ(messages.count(), 1);
}

// At the window's usual width the disk panel leaves the stream description in sight: the
// path panel makes room (still showing the recording's name), and takes it back at the stop.
TEST_F(DiskGuardTest, DiskPanelLeavesTheStreamDescriptionInSight)
{
    TForm1* f = start(".wav");
    f->Record1->trigger();
    runSecond(f);
    const QLabel* panel = f->findChild<QLabel*>("DiskPanel");
    ASSERT_TRUE(panel && panel->isVisible());
    const QRect diskRect(panel->mapTo(f, QPoint()), panel->size());
    const QRect stream(f->StatusPanel[2]->mapTo(f, QPoint()), f->StatusPanel[2]->size());
    const QRect path(f->StatusPanel[1]->mapTo(f, QPoint()), f->StatusPanel[1]->size());
    EXPECT_GE(diskRect.left() - stream.left(), 150) << "stream description " << stream.left() << ", disk panel " << diskRect.left();
    EXPECT_FALSE(path.intersects(stream));
    EXPECT_TRUE(f->statusText(1).endsWith("Untitled1.wav")) << f->statusText(1).toStdString();
    EXPECT_LE(f->StatusPanel[1]->fontMetrics().horizontalAdvance(f->statusText(1)), f->StatusPanel[1]->width());
    f->Stop1->trigger();
    EXPECT_EQ(f->StatusPanel[1]->width(), 320);
    EXPECT_TRUE(f->statusText(1).endsWith("Untitled1.wav"));
}

TEST_F(DiskGuardTest, AFullingDiskEndsTheRecordingAsANormalStopThatEveryReaderOpens)
{
    for (const QString format : {".wav", ".mp3"}) {
        SCOPED_TRACE(format.toStdString());
        TForm1* f = start(format);
        messages.clear();
        f->Record1->trigger();   // the question is answered Yes
        ASSERT_TRUE(f->IsRecording);
        runSecond(f);
        const QLabel* panel = f->findChild<QLabel*>("DiskPanel");
        ASSERT_TRUE(panel && panel->isVisible());
        EXPECT_TRUE(panel->text().startsWith("Места хватит на ")) << panel->text().toStdString();
        for (int s = 0; s < 300 && f->IsRecording; ++s)
            runSecond(f);
        EXPECT_FALSE(f->IsRecording);
        EXPECT_FALSE(panel->isVisible());
        ASSERT_EQ(messages.count(), 2);
        EXPECT_EQ(messages.last().kind, MessageKind::Information);
        EXPECT_TRUE(messages.last().text.startsWith("Recording stopped: the disk of")) << messages.last().text.toStdString();
        EXPECT_EQ(f->ListView1->topLevelItemCount(), 1);

        const QString path = disk.folder() + "Untitled1" + format;
        TAudioFile2 file;
        file.Open(path, 0, 1);
        ASSERT_EQ(file.LastError(), 0) << file.LastErrorText().toStdString();
        EXPECT_NEAR(file.Length(), f->FileLength, 2000);
        EXPECT_GT(file.Length(), 44100 * 5);
        file.Close();
        TAudioInformation2 info;
        info.ReadInfo(path);
        EXPECT_NEAR(info.Duration(), f->FileLength * 1000.0 / 44100, 100);
        closeMainWindow();
        QFile::remove(path);
    }
}
