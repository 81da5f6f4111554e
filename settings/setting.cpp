#include "settings/setting.h"

#include "app/Unit1.h"
#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/Guarded.h"
#include "platform/ui/MessageBoxes.h"
#include "settings/InterfaceLanguage.h"
#include "settings/NumberFields.h"
#include "settings/OutputFormats.h"
#include "settings/RecordingSettings.h"
#include "settings/SetupIni.h"
#include "settings/UpDown.h"
#include "settings/timelimit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace {

// The engine numbers its WMA profiles from this value; line k of cbWMA shows profile
// k + kFirstWmaProfile, and the profile stored in setup.ini is the engine's own number.
constexpr int kFirstWmaProfile = 0;

// A number field with its arrow control and unit label, as one row part.
QLineEdit* numberField(QWidget* parent, TUpDown*& upDown, QLabel*& label, const QString& unit,
                       int step, QHBoxLayout* row)
{
    auto* edit = new QLineEdit(QStringLiteral("0"), parent);
    edit->setFixedWidth(40);
    edit->setEnabled(false);
    upDown = NewUpDown(edit, 0, 100, step);
    label = new QLabel(unit, parent);
    label->setBuddy(edit);
    auto* pair = new QHBoxLayout;
    pair->setSpacing(0);
    pair->addWidget(edit);
    pair->addWidget(upDown);
    row->addLayout(pair);
    row->addSpacing(4);
    row->addWidget(label);
    row->addSpacing(10);
    return edit;
}

QComboBox* formatList(QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setMaxVisibleItems(16);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(18);
    return list;
}

}  // namespace

TSettingForm::TSettingForm(QWidget* parent) : TOkCancelDialog(parent)
{
    setWindowTitle(tr("Настройка"));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(6);
    root->addWidget(buildPathGroup());
    root->addWidget(buildFormatGroup());
    root->addWidget(buildTimeLimitGroup());
    root->addWidget(buildSplitGroup());
    root->addWidget(buildNamesGroup());
    CheckTray = new QCheckBox(tr("Значок в области уведомлений"), this);
    CheckTray->setToolTip(tr("Пока значок есть, закрытое во время записи окно прячется в него, а запись идёт дальше"));
    root->addWidget(CheckTray);
    root->addWidget(buildLanguageGroup());
    root->addStretch(1);
    root->addLayout(buildButtons());
    // The design's 319 x 505 holds the first four groups and the buttons; the names group, the
    // tray switch and the language group add their own heights.
    int added = 0;
    for (QWidget* w : {static_cast<QWidget*>(GBNames), static_cast<QWidget*>(CheckTray), static_cast<QWidget*>(GBLanguage)})
        added += w->sizeHint().height() + root->spacing();
    setFixedSize(319, 505 + added);

    AudioFile1 = std::make_unique<TAudioFile2>();
    connectEvents();
    FormCreate();
}

// Folder of new recordings.
QGroupBox* TSettingForm::buildPathGroup()
{
    GBPath = new QGroupBox(tr("Путь сохранения файла"), this);
    auto* row = new QHBoxLayout(GBPath);
    row->setContentsMargins(8, 4, 8, 8);
    EdSavePath = new QLineEdit(GBPath);
    SpeedBtnSelect = new QToolButton(GBPath);
    SpeedBtnSelect->setAutoRaise(true);
    SpeedBtnSelect->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    SpeedBtnSelect->setToolTip(tr("Выбор деректории для сохранения"));
    row->addWidget(EdSavePath);
    row->addWidget(SpeedBtnSelect);
    return GBPath;
}

// Output format: a radio button and a list for each format, the FLAC compression level.
QGroupBox* TSettingForm::buildFormatGroup()
{
    GBFormat = new QGroupBox(tr("Формат записи"), this);
    auto* grid = new QGridLayout(GBFormat);
    grid->setContentsMargins(8, 4, 8, 8);
    grid->setHorizontalSpacing(10);
    RBMP3 = new QRadioButton(QStringLiteral("MP3"), GBFormat);
    RBWAV = new QRadioButton(QStringLiteral("WAV"), GBFormat);
    RBWMA = new QRadioButton(QStringLiteral("WMA"), GBFormat);
    RBMP3->setChecked(true);
    cbMP3 = formatList(GBFormat);
    cbWAV = formatList(GBFormat);
    cbWMA = formatList(GBFormat);
    grid->addWidget(RBMP3, 0, 0);
    grid->addWidget(cbMP3, 0, 1);
    grid->addWidget(RBWAV, 1, 0);
    grid->addWidget(cbWAV, 1, 1);
    grid->addWidget(RBWMA, 2, 0);
    grid->addWidget(cbWMA, 2, 1);
    RBFLAC = new QRadioButton(QStringLiteral("FLAC"), GBFormat);
    cbFLAC = formatList(GBFormat);
    grid->addWidget(RBFLAC, 3, 0);
    grid->addWidget(cbFLAC, 3, 1);
    auto* level = new QHBoxLayout;
    level->setSpacing(0);
    EdFlacLevel = numberField(GBFormat, UpDownFlacLevel, LabelFlacLevel, tr("сжатие (0-8)"), 1, level);
    UpDownFlacLevel->setRange(0, 8);
    level->addStretch(1);
    grid->addLayout(level, 4, 1);
    RBOPUS = new QRadioButton(QStringLiteral("Opus"), GBFormat);
    cbOPUS = formatList(GBFormat);
    grid->addWidget(RBOPUS, 5, 0);
    grid->addWidget(cbOPUS, 5, 1);
    grid->setColumnStretch(1, 1);
    return GBFormat;
}

// Automatic stop.
QGroupBox* TSettingForm::buildTimeLimitGroup()
{
    GBTimeLimit = new QGroupBox(tr("Таймер записи"), this);
    auto* col = new QVBoxLayout(GBTimeLimit);
    col->setContentsMargins(8, 4, 8, 8);
    RBNoLimit = new QRadioButton(tr("Без остановки"), GBTimeLimit);
    RBLimit = new QRadioButton(tr("Стоп записи через"), GBTimeLimit);
    RBNoLimit->setChecked(true);
    col->addWidget(RBNoLimit);
    col->addWidget(RBLimit);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addSpacing(18);
    Edit1 = numberField(GBTimeLimit, UpDown1, Label1, tr("час"), 1, row);
    Edit2 = numberField(GBTimeLimit, UpDown2, Label2, tr("мин"), 1, row);
    Edit3 = numberField(GBTimeLimit, UpDown3, Label3, tr("сек"), 5, row);
    row->addStretch(1);
    col->addLayout(row);
    return GBTimeLimit;
}

// Cutting into pieces.
QGroupBox* TSettingForm::buildSplitGroup()
{
    GBSplit = new QGroupBox(tr("Запись фалов по"), this);
    auto* col = new QVBoxLayout(GBSplit);
    col->setContentsMargins(8, 4, 8, 8);
    CheckSplit = new QCheckBox(tr("Разбить"), GBSplit);
    col->addWidget(CheckSplit);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addSpacing(18);
    Edit4 = numberField(GBSplit, UpDown4, Label4, tr("мин"), 1, row);
    Edit5 = numberField(GBSplit, UpDown5, Label5, tr("сек"), 5, row);
    row->addStretch(1);
    col->addLayout(row);
    return GBSplit;
}

// Names of new recordings.
QGroupBox* TSettingForm::buildNamesGroup()
{
    GBNames = new QGroupBox(tr("Имя новой записи"), this);
    auto* col = new QVBoxLayout(GBNames);
    col->setContentsMargins(8, 4, 8, 8);
    col->setSpacing(2);
    EdNameTemplate = new QLineEdit(GBNames);
    EdNameTemplate->setPlaceholderText(tr("Untitled1, Untitled2, ..."));
    LabelNameFields = new QLabel(tr("%Y год, %m месяц, %d день, %H час, %M мин, %S сек"), GBNames);
    LabelNameFields->setWordWrap(true);
    col->addWidget(EdNameTemplate);
    col->addWidget(LabelNameFields);
    return GBNames;
}

// The interface's language: the desktop's, or one of the program's languages by its own name.
// The choice takes effect at the next start.
QGroupBox* TSettingForm::buildLanguageGroup()
{
    GBLanguage = new QGroupBox(tr("Язык (после перезапуска)"), this);
    auto* row = new QHBoxLayout(GBLanguage);
    row->setContentsMargins(8, 4, 8, 8);
    cbLanguage = new QComboBox(GBLanguage);
    cbLanguage->addItem(tr("Как в системе"), QString());
    for (const QString& code : InterfaceLanguages())
        cbLanguage->addItem(InterfaceLanguageName(code), code);
    row->addWidget(cbLanguage, 1);
    return GBLanguage;
}

void TSettingForm::connectEvents()
{
    connect(SpeedBtnSelect, &QToolButton::clicked, this, guarded([this] { SpeedBtnSelectClick(); }));
    connect(RBMP3, &QRadioButton::clicked, this, guarded([this] { RBMP3Click(); }));
    connect(RBWAV, &QRadioButton::clicked, this, guarded([this] { RBWAVClick(); }));
    connect(RBWMA, &QRadioButton::clicked, this, guarded([this] { RBWMAClick(); }));
    connect(RBFLAC, &QRadioButton::clicked, this, guarded([this] { RBFLACClick(); }));
    connect(RBOPUS, &QRadioButton::clicked, this, guarded([this] { RBOPUSClick(); }));
    connect(RBNoLimit, &QRadioButton::clicked, this, guarded([this] { RBNoLimitClick(); }));
    connect(RBLimit, &QRadioButton::clicked, this, guarded([this] { RBLimitClick(); }));
    connect(CheckSplit, &QCheckBox::clicked, this, guarded([this] { CheckSplitClick(); }));
}

TSettingForm::~TSettingForm() = default;

void TSettingForm::FormCreate()
{
    FillFormatLists();
    const TRecordingSettings& s = RecordingSettings;
    if (s.SplitEnabled) {
        CheckSplit->setChecked(true);
        Edit4->setEnabled(true);
        Edit5->setEnabled(true);
        Edit4->setText(QString::number(s.SplitLength / 60));
        Edit5->setText(QString::number(s.SplitLength % 60));
    }
}

void TSettingForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        runGuarded([this] { FormShow(); });
    }
}

void TSettingForm::FormShow()
{
    const TRecordingSettings& s = RecordingSettings;
    // Pre-set the recording file with the stored values. A stored value that the engine refuses
    // must not keep the user out of the dialog that can correct it.
    if (Form1 && Form1->AudioFile2) {
        TAudioFile2& file = *Form1->AudioFile2;
        try { file.SetFormatMP3(s.Mp3Frequency, s.Mp3Bitrate, 2); } catch (const EngineError&) { }
        try { file.SetFormatPCM(s.WavFrequency, s.WavChannels, s.WavBits); } catch (const EngineError&) { }
        try { file.SetFormatWMA(s.WmaProfile); } catch (const EngineError&) { }
    }
    EdSavePath->setText(s.SavePath);
    switch (OutputFormatOf(s.SaveFormat)) {
    case OutputFormat::Mp3: RBMP3->setChecked(true); break;
    case OutputFormat::Wav: RBWAV->setChecked(true); break;
    case OutputFormat::Wma: RBWMA->setChecked(true); break;
    case OutputFormat::Flac: RBFLAC->setChecked(true); break;
    case OutputFormat::Opus: RBOPUS->setChecked(true); break;
    case OutputFormat::None: break;
    }
    ChooseLine(cbFLAC, FlacLineOf(s.FlacFrequency, s.FlacChannels, s.FlacBits));
    EdFlacLevel->setText(QString::number(s.FlacLevel));
    ChooseLine(cbOPUS, OpusLineOf(s.OpusBitrate, s.OpusChannels));
    if (s.TimeLimit > 0) {
        RBLimit->setChecked(true);
        RBLimitClick();
        Edit1->setText(QString::number(s.TimeLimit / 3600));
        Edit2->setText(QString::number(s.TimeLimit % 3600 / 60));
        Edit3->setText(QString::number(s.TimeLimit % 3600 % 60));
    }
    cbLanguage->setCurrentIndex(std::max(0, cbLanguage->findData(ConfiguredInterfaceLanguage())));
    ChooseLine(cbMP3, ReadSetupInteger(SetupKeyId::Mp3Choice));
    ChooseLine(cbWAV, ReadSetupInteger(SetupKeyId::WavChoice));
    EdNameTemplate->setText(s.NameTemplate);
    CheckTray->setChecked(s.TrayIcon == 1);
}

void TSettingForm::FormClose()
{
    if (Form1 && Form1->SettingForm == this)
        Form1->SettingForm = nullptr;
}

int TSettingForm::WmaProfileOfLine(int line)
{
    return line < 0 ? -1 : line + kFirstWmaProfile;
}

int TSettingForm::WmaLineOfProfile(int profile)
{
    return profile < kFirstWmaProfile ? -1 : profile - kFirstWmaProfile;
}

int TSettingForm::ChosenLine(const QComboBox* list)
{
    const int index = list->currentIndex();
    if (index < 0)
        return -1;
    // A text typed over the chosen line means no line is chosen, unless it names a line.
    const QString text = list->currentText();
    if (text == list->itemText(index))
        return index;
    return list->findText(text, Qt::MatchExactly);
}

void TSettingForm::ChooseLine(QComboBox* list, int line)
{
    list->setCurrentIndex(line >= 0 && line < list->count() ? line : -1);
}

void TSettingForm::FillFormatLists()
{
    cbMP3->clear();
    cbMP3->addItems(Mp3ChoiceLines());
    cbMP3->setCurrentIndex(-1);
    cbWAV->clear();
    cbWAV->addItems(WavChoiceLines());
    ChooseLine(cbWAV, DefaultWavChoice);
    cbFLAC->clear();
    cbFLAC->addItems(FlacChoiceLines());
    cbOPUS->clear();
    cbOPUS->addItems(OpusChoiceLines());

    AudioFile1->setActive(true);
    const int n = AudioFile1->WmaProfileCount();
    cbWMA->clear();
    for (int line = 0; line < n; ++line)
        cbWMA->addItem(WmaProfileText(WmaProfileOfLine(line)));
    ChooseLine(cbWMA, WmaLineOfProfile(RecordingSettings.WmaProfile));
    try {
        AudioFile1->SetFormatWMA(RecordingSettings.WmaProfile);
    } catch (const EngineError&) {
        // A stored profile the engine does not have: the list simply shows no chosen line.
    }

    switch (OutputFormatOf(RecordingSettings.SaveFormat)) {
    case OutputFormat::Mp3: enableOnlyList(cbMP3); break;
    case OutputFormat::Wav: enableOnlyList(cbWAV); break;
    case OutputFormat::Wma: enableOnlyList(cbWMA); break;
    case OutputFormat::Flac: enableOnlyList(cbFLAC); break;
    case OutputFormat::Opus: enableOnlyList(cbOPUS); break;
    case OutputFormat::None: EdFlacLevel->setEnabled(true); break;
    }
}

void TSettingForm::Mp3ChoiceToValues(int position)
{
    const Mp3Values v = Mp3ValuesOf(position);
    RecordingSettings.Mp3Frequency = v.frequency;
    RecordingSettings.Mp3Bitrate = v.bitrate;
}

void TSettingForm::WavChoiceToValues(int position)
{
    TRecordingSettings& s = RecordingSettings;
    WavValuesOf(position, s.WavFrequency, s.WavChannels, s.WavBits);
}

QString TSettingForm::WmaProfileText(int profile)
{
    AudioFile1->setActive(true);
    AudioFile1->SetFormatWMA(profile);
    return WmaLineOf(AudioFile1->FormatDescription());
}

void TSettingForm::SaveSettings()
{
    ::SaveSettings(ChosenLine(cbMP3), ChosenLine(cbWAV));
}

void TSettingForm::SaveLanguage()
{
    const QString chosen = cbLanguage->currentData().toString();
    if (chosen != ConfiguredInterfaceLanguage())
        WriteConfiguredInterfaceLanguage(chosen);
}

void TSettingForm::SpeedBtnSelectClick()
{
    QString folder = BrowseForFolder(this, tr("Select a directory to save output files"));
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    EdSavePath->setText(folder);
    RecordingSettings.SavePath = EdSavePath->text();
}

void TSettingForm::enableOnlyList(QComboBox* on)
{
    for (QComboBox* list : {cbMP3, cbWAV, cbWMA, cbFLAC, cbOPUS})
        list->setEnabled(list == on);
    EdFlacLevel->setEnabled(on == cbFLAC);   // the compression level goes with the FLAC list
}

void TSettingForm::RBMP3Click() { enableOnlyList(cbMP3); }
void TSettingForm::RBWAVClick() { enableOnlyList(cbWAV); }
void TSettingForm::RBWMAClick() { enableOnlyList(cbWMA); }
void TSettingForm::RBFLACClick() { enableOnlyList(cbFLAC); }
void TSettingForm::RBOPUSClick() { enableOnlyList(cbOPUS); }

void TSettingForm::RBNoLimitClick()
{
    Edit1->setEnabled(false);
    Edit2->setEnabled(false);
    Edit3->setEnabled(false);
}

void TSettingForm::RBLimitClick()
{
    Edit1->setEnabled(true);
    Edit2->setEnabled(true);
    Edit3->setEnabled(true);
}

void TSettingForm::CheckSplitClick()
{
    const bool on = CheckSplit->isChecked();
    Edit4->setEnabled(on);
    Edit5->setEnabled(on);
}

void TSettingForm::BtnOKClick()
{
    TRecordingSettings& s = RecordingSettings;

    // 1. The folder. An empty field names no folder at all: refuse it before anything changes.
    QString path = EdSavePath->text();
    if (path.isEmpty()) {
        ShowMessage(QStringLiteral("Please choose a folder for the recordings."));
        return;
    }
    if (RBWMA->isChecked() && ChosenLine(cbWMA) < 0) {
        ShowMessage(QStringLiteral("Please choose a WMA profile."));
        return;
    }
    int flacLevel = 0;
    if (RBFLAC->isChecked() && ChosenLine(cbFLAC) < 0) {
        ShowMessage(QStringLiteral("Please choose a FLAC sample format."));
        return;
    }
    if (RBFLAC->isChecked() && (!ParseDecimal(EdFlacLevel->text(), flacLevel) || flacLevel < 0 || flacLevel > 8)) {
        ShowInformation(QStringLiteral("Please input a FLAC compression level from 0 to 8!"));
        return;
    }
    if (RBOPUS->isChecked() && ChosenLine(cbOPUS) < 0) {
        ShowMessage(QStringLiteral("Please choose an Opus bitrate."));
        return;
    }
    if (!path.endsWith(u'/'))
        path += u'/';
    s.SavePath = path;

    // 2. The format: only the chosen format's values are taken from its list.
    if (RBMP3->isChecked()) {
        s.SaveFormat = QStringLiteral(".mp3");
        Mp3ChoiceToValues(ChosenLine(cbMP3));
    } else if (RBWAV->isChecked()) {
        s.SaveFormat = QStringLiteral(".wav");
        WavChoiceToValues(ChosenLine(cbWAV));
    } else if (RBWMA->isChecked()) {
        s.SaveFormat = QStringLiteral(".wma");
        s.WmaProfile = WmaProfileOfLine(ChosenLine(cbWMA));
        AudioFile1->SetFormatWMA(s.WmaProfile);
    } else if (RBFLAC->isChecked()) {
        s.SaveFormat = QStringLiteral(".flac");
        FlacValuesOf(ChosenLine(cbFLAC), s.FlacFrequency, s.FlacChannels, s.FlacBits);
        s.FlacLevel = flacLevel;
    } else if (RBOPUS->isChecked()) {
        s.SaveFormat = QStringLiteral(".opus");
        OpusValuesOf(ChosenLine(cbOPUS), s.OpusBitrate, s.OpusChannels);
    }

    // 3. The time limit; a bad field ends the handler with the dialog open.
    if (!TakeTimeLimit(RBLimit->isChecked(), *Edit1, *Edit2, *Edit3))
        return;

    // 4. Cutting into pieces; a bad field raises the conversion error.
    if (CheckSplit->isChecked()) {
        s.SplitEnabled = true;
        const int minutes = StrToInt(Edit4->text());
        const int seconds = StrToInt(Edit5->text());
        const qint64 length = qint64(minutes) * 60 + seconds;
        if (length > std::numeric_limits<int>::max() || length < std::numeric_limits<int>::min())
            throw ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(Edit4->text()));
        s.SplitLength = int(length);
    } else {
        s.SplitEnabled = false;
    }

    s.NameTemplate = EdNameTemplate->text();
    s.TrayIcon = CheckTray->isChecked() ? 1 : 0;

    // 5. to 7.
    if (Form1)
        Form1->ApplyOutputFormat();
    SaveSettings();
    SaveLanguage();
    close();
}
