// The device lists of the two mixer pages.
#include "MixerFixture.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "settings/RecordingSettings.h"
#include <QComboBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QList<AudioDeviceInfo> devices(const QStringList& names)
{
    QList<AudioDeviceInfo> list;
    for (const QString& name : names)
        list.append({name, true});
    return list;
}

QStringList itemTexts(const QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

using DeviceLists = MixerTest;

TEST_F(DeviceLists, ListsEveryAvailableDeviceWithItsNumber)
{
    backend.setOutputDevices(devices({"Out 0", "Out 1", "Out 2"}), 1);
    backend.setInputDevices(devices({"In 0", "In 1"}), 0);
    TForm1* w = open();
    w->FillOutputDevices();
    w->FillInputDevices();
    EXPECT_EQ(itemTexts(w->DeviceCombo), (QStringList{"Out 0", "Out 1", "Out 2"}));
    EXPECT_EQ(w->DeviceCombo->itemData(2).toInt(), 2);
    EXPECT_EQ(w->DeviceCombo->currentIndex(), 1);
    EXPECT_EQ(w->AudioPlayer1->DeviceIndex(), 1);
    EXPECT_EQ(itemTexts(w->DeviceComboIn), (QStringList{"In 0", "In 1"}));
    EXPECT_EQ(w->DeviceComboIn->currentIndex(), 0);
    EXPECT_EQ(w->AudioRecord1->DeviceIndex(), 0);
}

TEST_F(DeviceLists, WantedDeviceMovesPastAnUnavailableOne)
{
    backend.setOutputDevices(devices({"Out 0", "Out 1", "Out 2"}), 1);
    backend.setDeviceAvailable(false, 1, false);
    TForm1* w = open();
    w->FillOutputDevices();
    EXPECT_EQ(itemTexts(w->DeviceCombo), (QStringList{"Out 0", "Out 2"}));
    EXPECT_EQ(w->DeviceCombo->itemData(1).toInt(), 2);
    EXPECT_EQ(w->AudioPlayer1->DeviceIndex(), 2);
    // The list shows the device in use, although it is the second item.
    EXPECT_EQ(w->DeviceCombo->currentIndex(), 1);
    EXPECT_EQ(w->DeviceCombo->currentData().toInt(), 2);
}

TEST_F(DeviceLists, WantedDeviceBeyondTheLastFallsBackToDeviceZero)
{
    backend.setInputDevices(devices({"In 0", "In 1", "In 2"}), 0);
    TForm1* w = open();
    w->AudioRecord1->setDeviceIndex(3);
    w->FillInputDevices();
    EXPECT_EQ(w->DeviceComboIn->count(), 3);
    EXPECT_EQ(w->AudioRecord1->DeviceIndex(), 0);
    EXPECT_EQ(w->DeviceComboIn->currentIndex(), 0);
}

TEST_F(DeviceLists, LastDeviceUnavailableAndWantedFallsBackToZero)
{
    backend.setOutputDevices(devices({"Out 0", "Out 1", "Out 2"}), 2);
    backend.setDeviceAvailable(false, 2, false);
    TForm1* w = open();
    w->FillOutputDevices();
    EXPECT_EQ(itemTexts(w->DeviceCombo), (QStringList{"Out 0", "Out 1"}));
    EXPECT_EQ(w->AudioPlayer1->DeviceIndex(), 0);
    EXPECT_EQ(w->DeviceCombo->currentIndex(), 0);
}

TEST_F(DeviceLists, NoDeviceLeavesTheListEmpty)
{
    backend.setInputDevices({}, 0);
    TForm1* w = open();
    w->FillInputDevices();
    EXPECT_EQ(w->DeviceComboIn->count(), 0);
    EXPECT_EQ(w->DeviceComboIn->currentIndex(), -1);
}

TEST_F(DeviceLists, ChoosingADeviceSwitchesTheInputSide)
{
    backend.setInputDevices(devices({"In 0", "In 1"}), 0);
    backend.setMixerLines(true, 0, {});
    auto lines = namedLines(2);
    backend.setMixerLines(true, 1, lines);
    TForm1* w = open();
    w->FillInputDevices();
    w->BuildInputMixer();
    w->DeviceComboIn->setCurrentIndex(1);
    w->DeviceComboInClick();
    EXPECT_EQ(w->AudioRecord1->DeviceIndex(), 1);
    EXPECT_NE(w->TabSheet3->findChild<QWidget*>(QStringLiteral("sfr1")), nullptr);
}

} // namespace

// Devices that come and go while the program runs: the lists follow; the device in use stays
// selected; one that goes while its side is idle gives way to the default, and one whose
// recording runs is kept until the recording has ended through the loss.
TEST_F(DeviceLists, FollowDevicesThatComeAndGo)
{
    backend.setInputDevices(devices({"In 0", "In 1", "In 2"}), 0);
    TForm1* w = open(true);
    w->TimerTip->stop();
    w->DeviceComboIn->setCurrentIndex(2);
    w->DeviceComboInClick();

    backend.setInputDevices(devices({"In 0", "In 1", "In 2", "Headset"}), 0);
    pumpEvents();
    EXPECT_EQ(itemTexts(w->DeviceComboIn), (QStringList{"In 0", "In 1", "In 2", "Headset"}));
    EXPECT_EQ(w->DeviceComboIn->currentText(), "In 2");
    EXPECT_EQ(w->AudioRecord1->DeviceIndex(), 2);

    backend.setDeviceAvailable(true, 2, false);   // unplugged while idle
    pumpEvents();
    EXPECT_EQ(itemTexts(w->DeviceComboIn), (QStringList{"In 0", "In 1", "Headset"}));
    EXPECT_EQ(w->DeviceComboIn->currentText(), "In 0");
    EXPECT_EQ(w->AudioRecord1->DeviceIndex(), 0);

    w->DeviceComboIn->setCurrentIndex(2);         // the headset, then it goes while recording
    w->DeviceComboInClick();
    struct Restore {
        ~Restore() { RecordingSettings = TRecordingSettings{}; }
    } restore;
    RecordingSettings.SavePath = folder.path() + QStringLiteral("Recording/");
    w->Record1->trigger();
    ASSERT_TRUE(w->IsRecording);
    backend.advanceAndProcess(500);
    backend.setDeviceAvailable(true, 3, false);
    pumpEvents();
    EXPECT_EQ(w->AudioRecord1->DeviceIndex(), 3) << "the device of a running recording was replaced";
    backend.loseDevice(true);
    EXPECT_TRUE(waitUntil([&] { return !w->IsRecording && w->AudioRecord1->DeviceIndex() == 0; }, 2000));
    EXPECT_EQ(w->DeviceComboIn->currentText(), "In 0");
    EXPECT_EQ(messages.count(), 1);
}

namespace {

using RememberedDevices = MixerTest;

// setup.ini written by hand chooses the devices at start; the second input's list offers
// "(нет)" first, then the input devices; a choice is written back and keys the program does
// not know stay as they were.
TEST_F(RememberedDevices, SetupIniChoosesTheDevicesAndTheSecondInput)
{
    backend.setOutputDevices(devices({"Out 0", "Out 1", "Out 2"}), 0);
    backend.setInputDevices(devices({"In 0", "In 1", "In 2"}), 0);
    folder.write("setup.ini", "[input]\ndevice=In 2\nsecond=In 1\nlayout=split\nmood=calm\n"
                              "[output]\ndevice=Out 1\n");
    TForm1* w = open();
    w->FillOutputDevices();
    w->FillInputDevices();
    EXPECT_EQ(w->AudioPlayer1->DeviceIndex(), 1);
    EXPECT_EQ(w->DeviceCombo->currentText(), "Out 1");
    EXPECT_EQ(w->AudioRecord1->DeviceIndex(), 2);
    EXPECT_EQ(w->DeviceComboIn->currentText(), "In 2");
    EXPECT_EQ(itemTexts(w->SecondComboIn), (QStringList{"(нет)", "In 0", "In 1", "In 2"}));
    EXPECT_EQ(w->SecondComboIn->currentText(), "In 1");
    EXPECT_EQ(w->AudioRecord2->DeviceIndex(), 1);
    EXPECT_TRUE(w->RecordInput->secondEnabled());
    EXPECT_EQ(w->LayoutComboIn->currentIndex(), 1);
    EXPECT_EQ(w->RecordInput->layout(), engine::InputLayout::Split);

    w->SecondComboIn->setCurrentIndex(0);
    emit w->SecondComboIn->activated(0);
    w->LayoutComboIn->setCurrentIndex(0);
    emit w->LayoutComboIn->activated(0);
    EXPECT_FALSE(w->RecordInput->secondEnabled());
    EXPECT_EQ(folder.read("setup.ini"), QByteArray("[input]\ndevice=In 2\nsecond=\nlayout=mix\nmood=calm\n"
                                                   "[output]\ndevice=Out 1\n"));
}

// A remembered device that is not there leaves the default; a layout that means nothing is
// the mix.
TEST_F(RememberedDevices, AbsentDevicesLeaveTheDefaults)
{
    backend.setOutputDevices(devices({"Out 0", "Out 1"}), 1);
    backend.setInputDevices(devices({"In 0", "In 1"}), 1);
    folder.write("setup.ini", "[input]\ndevice=Gone\nsecond=Gone too\nlayout=sideways\n[output]\ndevice=Gone\n");
    TForm1* w = open();
    w->FillOutputDevices();
    w->FillInputDevices();
    EXPECT_EQ(w->AudioPlayer1->DeviceIndex(), 1);
    EXPECT_EQ(w->AudioRecord1->DeviceIndex(), 1);
    EXPECT_EQ(w->SecondComboIn->currentText(), "(нет)");
    EXPECT_FALSE(w->RecordInput->secondEnabled());
    EXPECT_EQ(w->RecordInput->layout(), engine::InputLayout::Mixed);
}

// A record command given while the device search is still out (the command line's record
// at start) takes the search's answer first and records from the remembered devices; the
// answer arriving later changes nothing.
TEST_F(RememberedDevices, ARecordCommandBeforeTheSearchAnswersUsesThem)
{
    backend.setOutputDevices(devices({"Out 0", "Out 1"}), 0);
    backend.setInputDevices(devices({"In 0", "In 1", "In 2"}), 0);
    folder.write("setup.ini", "[input]\ndevice=In 2\n[output]\ndevice=Out 1\n");
    TForm1* w = open();
    setSystemAudioBackend(&backend, false);
    w->show();
    w->Record1->trigger();
    EXPECT_TRUE(w->IsRecording);
    EXPECT_EQ(w->AudioRecord1->DeviceIndex(), 2);
    EXPECT_EQ(w->AudioPlayer1->DeviceIndex(), 1);
    pumpEvents();
    EXPECT_EQ(w->DeviceComboIn->currentText(), "In 2");
    EXPECT_EQ(w->DeviceComboIn->count(), 3);
    w->Stop1->trigger();
}

} // namespace
