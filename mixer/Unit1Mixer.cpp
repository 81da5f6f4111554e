// The main window's device lists, mixer pages, record filter and equaliser commands, and the
// selectors of the signal picture.
#include "app/Unit1.h"
#include "engine/DeviceWatch.h"
#include "engine/EngineError.h"
#include "engine/SampleArray.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/controls/TAudioVisualization2.h"
#include "mixer/Unit2.h"
#include "mixer/Unit5.h"
#include "mixer/Unit7.h"
#include "mixer/srcframe.h"
#include "platform/ui/Guarded.h"
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <memory>
#include <utility>

namespace {

constexpr int kStripStep = 79;    // strips overlap their neighbours by two pixels
constexpr int kStripTop = 26;
constexpr int kInputStripTop = 54;   // under the second input's row
constexpr int kStripWidth = 81;
constexpr int kStripHeight = 186;
// The input page's strips end where the output page's do: their volume sliders are shorter.
constexpr int kInputStripHeight = kStripHeight - (kInputStripTop - kStripTop);
constexpr int kVolumeMax = 65535;

TAudioPlayer2& player(TForm1* form)
{
    if (!form->AudioPlayer1)
        throw EngineError(QStringLiteral("The player does not exist"));
    return *form->AudioPlayer1;
}

TAudioRecord2& recorder(TForm1* form)
{
    if (!form->AudioRecord1)
        throw EngineError(QStringLiteral("The recorder does not exist"));
    return *form->AudioRecord1;
}

// Lists the available devices of one side in the combo box, each with its device number as
// the item's data, and selects the wanted device: the engine's current one, moved on past an
// unavailable one, or device 0 when it lies beyond the last.
template <class Engine>
void fillDevices(Engine& e, QComboBox* combo)
{
    const QSignalBlocker quiet(combo);   // filling is no choice of the user
    int wanted = e.DeviceIndex();
    const int last = e.DeviceLastIndex();
    if (last >= 0) {
        for (int i = 0; i <= last; ++i) {
            e.setDeviceIndex(i);
            if (e.DeviceAvailable())
                combo->addItem(e.DeviceName(), i);
            else if (i == wanted)
                ++wanted;
        }
    }
    if (e.DeviceLastIndex() < wanted)
        wanted = 0;
    e.setDeviceIndex(wanted);
    // Select the item that carries the device in use (items before it may have been left
    // out, so its position in the list need not be its device number).
    combo->setCurrentIndex(combo->findData(wanted));
}

// Fills the list again after the devices changed: the device in use keeps its item; one that
// went away gives way to the default device unless `busy` (its stream is running: the engine
// reports the loss, and the list is looked at again once the stream has ended).
enum class Refill { Same, Changed, GoneWhileBusy };

template <class Engine>
Refill refillDevices(Engine& e, QComboBox* combo, int defaultDevice, bool busy)
{
    const QSignalBlocker quiet(combo);
    const int current = e.DeviceIndex();
    combo->clear();
    const int last = e.DeviceLastIndex();
    for (int i = 0; i <= last; ++i) {
        e.setDeviceIndex(i);
        if (e.DeviceAvailable())
            combo->addItem(e.DeviceName(), i);
    }
    int chosen = current;
    const bool gone = combo->findData(current) < 0;
    if (gone && !busy && combo->findData(defaultDevice) >= 0)
        chosen = defaultDevice;
    e.setDeviceIndex(chosen);
    combo->setCurrentIndex(combo->findData(chosen));
    if (chosen != current)
        return Refill::Changed;
    return gone && busy ? Refill::GoneWhileBusy : Refill::Same;
}

// The strips on a mixer page, in the order they were made.
QList<TsrcFrame*> strips(QWidget* sheet)
{
    QList<TsrcFrame*> list;
    if (!sheet)
        return list;
    for (QObject* child : sheet->children()) {
        if (auto* strip = qobject_cast<TsrcFrame*>(child))
            list.append(strip);
    }
    return list;
}

} // namespace

// ---- device lists -------------------------------------------------------------------------

namespace {

// From the first filling on, the lists follow the devices.
void followDevices(TForm1* form)
{
    if (!form->DeviceWatch1 || form->DeviceWatch1->Active())
        return;
    QObject::connect(form->DeviceWatch1, &DeviceWatch::OnDevicesChanged, form,
                     guarded([form](int changes) { form->DevicesChanged(changes); }));
    form->DeviceWatch1->Start();
}

} // namespace

void TForm1::FillOutputDevices()
{
    // The devices remembered from the last run, where they are present (both sides at once).
    Inputs->applyRemembered();
    fillDevices(player(this), DeviceCombo);
    followDevices(this);
}

void TForm1::FillInputDevices()
{
    fillDevices(recorder(this), DeviceComboIn);
    FillSecondInputs();
    followDevices(this);
}

void TForm1::FillSecondInputs()
{
    if (!SecondComboIn || !LayoutComboIn)
        return;
    const QSignalBlocker quiet(SecondComboIn);
    const QList<InputChoices::Entry> entries = Inputs->secondEntries();
    SecondComboIn->clear();
    for (const InputChoices::Entry& e : entries)
        SecondComboIn->addItem(e.text, e.device);
    SecondComboIn->setCurrentIndex(Inputs->secondIndex(entries));
    const QSignalBlocker quietLayout(LayoutComboIn);
    LayoutComboIn->setCurrentIndex(Inputs->layoutIndex());
}

void TForm1::DeviceComboClick()
{
    const QVariant device = DeviceCombo->currentData();
    if (!device.isValid())
        return;
    Inputs->chooseOutput(device.toInt());
    BuildOutputMixer();
}

void TForm1::DeviceComboInClick()
{
    const QVariant device = DeviceComboIn->currentData();
    if (!device.isValid())
        return;
    Inputs->chooseInput(device.toInt());
    BuildInputMixer();
}

void TForm1::SecondComboInClick()
{
    const QList<InputChoices::Entry> entries = Inputs->secondEntries();
    const int index = SecondComboIn->currentIndex();
    if (index >= 0 && index < entries.size())
        Inputs->chooseSecond(entries[index]);
}

void TForm1::LayoutComboInClick()
{
    Inputs->chooseLayout(LayoutComboIn->currentIndex());
}

// ---- mixer pages --------------------------------------------------------------------------

namespace {

// Shows the engine's current values on the strips of a page, without writing anything back (a
// slider the user holds keeps its place). False when the page no longer matches the mixer's lines.
template <class Engine>
bool refreshPage(Engine& e, QWidget* sheet)
{
    const QList<TsrcFrame*> page = strips(sheet);
    if (page.size() != e.srcLastIndex() + 1)
        return false;
    const int selected = e.srcIndex();
    for (int i = 0; i < page.size(); ++i) {
        TsrcFrame* strip = page[i];
        e.setSrcIndex(i);
        const QSignalBlocker b1(strip->TrackBar1), b2(strip->TrackBar2), b3(strip->CheckBox1);
        strip->setLineName(e.srcName());
        if (!strip->TrackBar1->isSliderDown()) {
            strip->TrackBar1->setValue(kVolumeMax - e.srcVolume());
            strip->TrackBar1->setToolTip(QString::number(kVolumeMax - strip->TrackBar1->value()));
        }
        if (!strip->TrackBar2->isSliderDown())
            strip->TrackBar2->setValue(e.srcBalance());
        if constexpr (std::is_same_v<Engine, TAudioRecord2>)
            strip->CheckBox1->setChecked(e.srcSelect());
        else
            strip->CheckBox1->setChecked(e.srcMute());
    }
    e.setSrcIndex(selected);
    return true;
}

} // namespace

void TForm1::DevicesChanged(int changes)
{
    bool rebuildOut = false;
    bool rebuildIn = false;
    if (changes & DeviceListsChanged) {
        Inputs->followMoves();
        const Refill out = refillDevices(player(this), DeviceCombo, DeviceWatch1->DefaultDevice(false),
                                         IsPlaying && !PlayPaused);
        const Refill in = refillDevices(recorder(this), DeviceComboIn, DeviceWatch1->DefaultDevice(true),
                                        IsRecording && !RecordPaused);
        rebuildOut = out == Refill::Changed;
        rebuildIn = in == Refill::Changed;
        FillSecondInputs();
        if (out == Refill::GoneWhileBusy || in == Refill::GoneWhileBusy) {
            // The stream that lost its device is being ended: look again shortly.
            auto* again = findChild<QTimer*>(QStringLiteral("DeviceRecheck"), Qt::FindDirectChildrenOnly);
            if (!again) {
                again = new QTimer(this);
                again->setObjectName(QStringLiteral("DeviceRecheck"));
                again->setSingleShot(true);
                again->setInterval(250);
                connect(again, &QTimer::timeout, this, guarded([this] { DevicesChanged(DeviceListsChanged); }));
            }
            again->start();
        }
    }
    // A renamed device, a port that came, or new values: the page follows.
    if (rebuildOut || !refreshPage(player(this), TabSheet4))
        BuildOutputMixer();
    if (rebuildIn || !refreshPage(recorder(this), TabSheet3))
        BuildInputMixer();
}

namespace {

struct PageSide {
    QWidget* sheet;
    QString prefix;
    bool input;
};

template <class Engine, class Volume, class Balance, class Switch, class Advanced>
void buildPage(TForm1* form, Engine& e, const PageSide& side, Volume onVolume, Balance onBalance,
               Switch onSwitch, Advanced onAdvanced)
{
    const int last = e.srcLastIndex();

    // Only the strips belong to the page; its header controls stay.
    const QList<TsrcFrame*> old = strips(side.sheet);
    for (auto it = old.crbegin(); it != old.crend(); ++it)
        delete *it;

    // A mixer without lines leaves the page with its header only. A mixer with just line 0
    // gets its strip: that is what the sound servers' devices ("default", "pulse") offer,
    // their master volume, and leaving it out would leave the page empty on most systems.
    if (last < 0)
        return;

    for (int i = 0; i <= last; ++i) {
        auto* strip = new TsrcFrame(side.sheet);
        strip->setObjectName(side.prefix + QString::number(i));
        strip->setGeometry(i * kStripStep, side.input ? kInputStripTop : kStripTop, kStripWidth,
                           side.input ? kInputStripHeight : kStripHeight);
        strip->setTag(i);

        e.setSrcIndex(i);
        strip->setLineName(e.srcName());

        strip->TrackBar1->setEnabled(e.srcVolumeEnabled());
        strip->TrackBar1->setValue(kVolumeMax - e.srcVolume());
        strip->TrackBar1->setToolTip(QString::number(kVolumeMax - strip->TrackBar1->value()));

        strip->TrackBar2->setEnabled(e.srcBalanceEnabled());
        strip->TrackBar2->setValue(e.srcBalance());

        if constexpr (std::is_same_v<Engine, TAudioRecord2>) {
            strip->setSwitchCaption(TsrcFrame::tr("Select"));
            strip->CheckBox1->setEnabled(e.srcSelectEnabled());
            strip->CheckBox1->setChecked(e.srcSelect());
        } else {
            strip->CheckBox1->setEnabled(e.srcMuteEnabled());
            strip->CheckBox1->setChecked(e.srcMute());
        }

        strip->Button1->setVisible(e.srcAdvancedLastIndex() >= 0);

        // The values are in place; only now do the handlers listen, so building writes nothing.
        QSlider* volume = strip->TrackBar1;
        QSlider* balance = strip->TrackBar2;
        QCheckBox* sw = strip->CheckBox1;
        QPushButton* advanced = strip->Button1;
        QObject::connect(volume, &QSlider::valueChanged, form,
                         guarded([=] { (form->*onVolume)(volume); }));
        QObject::connect(balance, &QSlider::valueChanged, form,
                         guarded([=] { (form->*onBalance)(balance); }));
        QObject::connect(sw, &QCheckBox::toggled, form, guarded([=] { (form->*onSwitch)(sw); }));
        QObject::connect(advanced, &QPushButton::clicked, form,
                         guarded([=] { (form->*onAdvanced)(advanced); }));

        strip->show();
    }

    // The window grows to show every strip; it never shrinks here.
    const int wanted = last * kStripStep + 98;
    if (form->width() < wanted)
        form->resize(wanted, form->height());
}

} // namespace

void TForm1::BuildOutputMixer()
{
    buildPage(this, player(this), PageSide{TabSheet4, QStringLiteral("sf"), false},
              &TForm1::OutVolumeChange, &TForm1::OutBalanceChange, &TForm1::OutMuteClick,
              &TForm1::OutAdvancedClick);
}

void TForm1::BuildInputMixer()
{
    buildPage(this, recorder(this), PageSide{TabSheet3, QStringLiteral("sfr"), true},
              &TForm1::InVolumeChange, &TForm1::InBalanceChange, &TForm1::InSelectClick,
              &TForm1::InAdvancedClick);
}

// ---- strip handlers -----------------------------------------------------------------------

namespace {

// Shows the volume under the mouse while the slider moves and returns it.
int showVolumeHint(QObject* sender)
{
    auto* bar = qobject_cast<QSlider*>(sender);
    if (!bar)
        return -1;
    const int volume = kVolumeMax - bar->value();
    const QString text = QString::number(volume);
    bar->setToolTip(text);
    QToolTip::showText(QCursor::pos(), text, bar);
    return volume;
}

template <class Engine>
void openAdvanced(TForm1* form, Engine& e, QObject* sender, bool input)
{
    e.setSrcIndex(controlTag(sender));
    std::unique_ptr<TfrmAdv> dialog(new TfrmAdv(form));
    dialog->IsInput = input;
    dialog->exec();
}

} // namespace

void TForm1::OutVolumeChange(QObject* Sender)
{
    const int volume = showVolumeHint(Sender);
    if (volume < 0)
        return;
    TAudioPlayer2& e = player(this);
    e.setSrcIndex(controlTag(Sender));
    e.setSrcVolume(volume);
}

void TForm1::InVolumeChange(QObject* Sender)
{
    const int volume = showVolumeHint(Sender);
    if (volume < 0)
        return;
    TAudioRecord2& e = recorder(this);
    e.setSrcIndex(controlTag(Sender));
    e.setSrcVolume(volume);
}

void TForm1::OutBalanceChange(QObject* Sender)
{
    auto* bar = qobject_cast<QSlider*>(Sender);
    if (!bar)
        return;
    TAudioPlayer2& e = player(this);
    e.setSrcIndex(controlTag(Sender));
    e.setSrcBalance(bar->value());
}

void TForm1::InBalanceChange(QObject* Sender)
{
    auto* bar = qobject_cast<QSlider*>(Sender);
    if (!bar)
        return;
    TAudioRecord2& e = recorder(this);
    e.setSrcIndex(controlTag(Sender));
    e.setSrcBalance(bar->value());
}

void TForm1::OutMuteClick(QObject* Sender)
{
    auto* box = qobject_cast<QCheckBox*>(Sender);
    if (!box)
        return;
    TAudioPlayer2& e = player(this);
    e.setSrcIndex(controlTag(Sender));
    e.setSrcMute(box->isChecked());
}

void TForm1::InSelectClick(QObject* Sender)
{
    auto* box = qobject_cast<QCheckBox*>(Sender);
    if (!box)
        return;
    TAudioRecord2& e = recorder(this);
    e.setSrcIndex(controlTag(Sender));
    e.setSrcSelect(box->isChecked());

    // Choosing a source may change the others: show what the mixer now reports for every
    // line. A box that changes here runs this handler again, which writes back the value
    // just read.
    const int last = e.srcLastIndex();
    if (last < 0)
        return;
    for (int j = 0; j <= last; ++j) {
        e.setSrcIndex(j);
        const bool selected = e.srcSelect();
        const QList<TsrcFrame*> page = strips(TabSheet3);
        if (j < page.size())
            page.at(j)->CheckBox1->setChecked(selected);
    }
}

void TForm1::OutAdvancedClick(QObject* Sender)
{
    openAdvanced(this, player(this), Sender, false);
}

void TForm1::InAdvancedClick(QObject* Sender)
{
    openAdvanced(this, recorder(this), Sender, true);
}

// ---- page headers -------------------------------------------------------------------------

void TForm1::TabSheet3Resize()
{
    if (!TabSheet3 || !btnSetFilter || !DeviceComboIn)
        return;
    btnSetFilter->move(TabSheet3->width() - btnSetFilter->width() - 2, btnSetFilter->y());
    DeviceComboIn->resize(std::max(0, btnSetFilter->x() - 4 - DeviceComboIn->x()),
                          DeviceComboIn->height());
    if (LayoutComboIn && SecondComboIn) {
        LayoutComboIn->setGeometry(btnSetFilter->x(), LayoutComboIn->y(), btnSetFilter->width(), LayoutComboIn->height());
        SecondComboIn->setGeometry(DeviceComboIn->x(), SecondComboIn->y(), DeviceComboIn->width(), SecondComboIn->height());
    }
}

void TForm1::TabSheet4Resize()
{
    if (!TabSheet4 || !chEqualizer || !DeviceCombo)
        return;
    DeviceCombo->resize(std::max(0, chEqualizer->x() - 8 - DeviceCombo->x()), DeviceCombo->height());
}

// ---- record filter ------------------------------------------------------------------------

namespace {

// A recorder frequency as a slider position: rounded to the nearest whole hertz, halves to
// even, then kept inside the slider's range (a value that is no number leaves it where it is).
int filterPosition(float hz, const QSlider* bar)
{
    if (std::isnan(hz))
        return bar->value();
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(static_cast<double>(hz));
    std::fesetround(oldMode);
    return static_cast<int>(std::clamp(rounded, static_cast<double>(bar->minimum()),
                                       static_cast<double>(bar->maximum())));
}

} // namespace

void TForm1::LoadRecordFilterDialog()
{
    if (!frmRecFlt)
        return;
    TAudioRecord2& e = recorder(this);
    // Setting a control raises its handler when the value changes, so what the controls
    // cannot show (a frequency out of range, a fraction) goes back to the recorder as shown.
    frmRecFlt->CheckBox1->setChecked(e.NotchFilter());
    frmRecFlt->CheckBox2->setChecked(e.HighPassFilter());
    frmRecFlt->CheckBox3->setChecked(e.LowPassFilter());
    frmRecFlt->TrackBar1->setValue(filterPosition(e.NotchFrequency(), frmRecFlt->TrackBar1));
    frmRecFlt->TrackBar2->setValue(filterPosition(e.HighPassFrequency(), frmRecFlt->TrackBar2));
    frmRecFlt->TrackBar3->setValue(filterPosition(e.LowPassFrequency(), frmRecFlt->TrackBar3));
}

void TForm1::btnSetFilterClick()
{
    if (!frmRecFlt)
        return;
    frmRecFlt->show();
    frmRecFlt->raise();
    frmRecFlt->activateWindow();
}

// ---- equaliser ----------------------------------------------------------------------------

void TForm1::chEqualizerClick()
{
    if (!chEqualizer || chEqualizer->checkState() == Qt::PartiallyChecked)
        return;   // grayed: the player's own setting applies
    chEqualizer->setTristate(false);   // once left, the grayed state never comes back
    player(this).setEqualizerEnabled(chEqualizer->checkState() == Qt::Checked);
}

void TForm1::ToolBtnEqualizerClick()
{
    if (!frmEQ)
        return;
    frmEQ->setWindowModality(Qt::ApplicationModal);
    frmEQ->show();
    frmEQ->raise();
    frmEQ->activateWindow();
}

// ---- signal picture -----------------------------------------------------------------------

void TForm1::ComboBox1Click()
{
    bool ok = false;
    const int size = ComboBox1->currentText().toInt(&ok);
    if (ok && AudioVisualization1)
        AudioVisualization1->setWindowArraySize(size);
}

void TForm1::ComboBox2Click()
{
    if (AudioVisualization1 && ComboBox2->currentIndex() >= 0)
        AudioVisualization1->setWindowFFTType(ComboBox2->currentIndex());
}

void TForm1::RadioGroup1Click()
{
    if (!AudioVisualization1 || !RadioGroup1Buttons)
        return;
    const int index = RadioGroup1Buttons->buttons().indexOf(RadioGroup1Buttons->checkedButton());
    if (index >= 0)
        AudioVisualization1->setVisType(index);
}

void TForm1::ShowPicture(SampleArray& block)
{
    if (AudioVisualization1)
        AudioVisualization1->ShowArray(std::move(block));
    block = SampleArray();   // the picture's data is ours to release once handed on
}
