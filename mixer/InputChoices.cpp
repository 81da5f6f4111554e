#include "mixer/InputChoices.h"

#include "app/RecordingInput.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "settings/SetupIni.h"

#include <QCoreApplication>

InputChoices::InputChoices(TAudioRecord2& first, TAudioRecord2& second, TwoRecorderInput& input,
                           TAudioPlayer2& player, TRecordingSettings& settings)
    : first_(first), second_(second), input_(input), player_(player), settings_(settings)
{
}

template <class Engine>
QString InputChoices::keyOf(Engine& e, int device)
{
    const int kept = e.DeviceIndex();
    e.setDeviceIndex(device);
    const QString key = e.DeviceKey();
    e.setDeviceIndex(kept);
    return key;
}

template <class Engine>
int InputChoices::deviceWithKey(Engine& e, const QString& key)
{
    if (key.isEmpty())
        return -1;
    const int kept = e.DeviceIndex();
    int found = -1;
    for (int i = 0; i <= e.DeviceLastIndex() && found < 0; ++i) {
        e.setDeviceIndex(i);
        if (e.DeviceAvailable() && e.DeviceKey() == key)
            found = i;
    }
    e.setDeviceIndex(kept);
    return found;
}

QList<InputChoices::Entry> InputChoices::secondEntries()
{
    QList<Entry> entries{Entry{QCoreApplication::translate("InputChoices", "(нет)"), QString(), -1}};
    const int kept = second_.DeviceIndex();
    for (int i = 0; i <= second_.DeviceLastIndex(); ++i) {
        second_.setDeviceIndex(i);
        if (second_.DeviceAvailable())
            entries.append(Entry{second_.DeviceName(), second_.DeviceKey(), i});
    }
    second_.setDeviceIndex(kept);
    return entries;
}

int InputChoices::secondIndex(const QList<Entry>& entries) const
{
    if (!input_.secondEnabled())
        return 0;
    for (int i = 1; i < entries.size(); ++i)
        if (entries[i].key == secondKey_)
            return i;
    return 0;
}

QList<QString> InputChoices::layoutTexts()
{
    return {QCoreApplication::translate("InputChoices", "Смешать"), QCoreApplication::translate("InputChoices", "Раздельно")};
}

int InputChoices::layoutIndex() const
{
    return input_.layout() == engine::InputLayout::Split ? 1 : 0;
}

void InputChoices::applyRemembered()
{
    const int in = deviceWithKey(first_, settings_.InputDevice);
    if (in >= 0)
        first_.setDeviceIndex(in);
    const int out = deviceWithKey(player_, settings_.OutputDevice);
    if (out >= 0)
        player_.setDeviceIndex(out);
    const int second = deviceWithKey(second_, settings_.SecondInput);
    if (second >= 0) {
        second_.setDeviceIndex(second);
        secondKey_ = settings_.SecondInput;
    }
    input_.setSecondEnabled(second >= 0);
    // Anything but "split" (a value written by hand, say) is the mix.
    input_.setLayout(settings_.InputLayout.trimmed().compare(QStringLiteral("split"), Qt::CaseInsensitive) == 0
                         ? engine::InputLayout::Split
                         : engine::InputLayout::Mixed);
}

void InputChoices::chooseInput(int device)
{
    first_.setDeviceIndex(device);
    settings_.InputDevice = keyOf(first_, device);
    WriteSetupKey(SetupKeyId::InputDevice, settings_);
}

void InputChoices::chooseSecond(const Entry& entry)
{
    if (entry.device >= 0)
        second_.setDeviceIndex(entry.device);
    secondKey_ = entry.key;
    input_.setSecondEnabled(entry.device >= 0);
    settings_.SecondInput = entry.key;
    WriteSetupKey(SetupKeyId::SecondInput, settings_);
}

void InputChoices::chooseLayout(int index)
{
    const bool split = index == 1;
    input_.setLayout(split ? engine::InputLayout::Split : engine::InputLayout::Mixed);
    settings_.InputLayout = split ? QStringLiteral("split") : QStringLiteral("mix");
    WriteSetupKey(SetupKeyId::InputLayout, settings_);
}

void InputChoices::chooseOutput(int device)
{
    player_.setDeviceIndex(device);
    settings_.OutputDevice = keyOf(player_, device);
    WriteSetupKey(SetupKeyId::OutputDevice, settings_);
}

void InputChoices::followMoves()
{
    first_.FollowMove();
    player_.FollowMove();
    if (second_.FollowMove())
        secondKey_ = second_.DeviceKey();
}
