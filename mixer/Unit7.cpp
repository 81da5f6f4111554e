#include "mixer/Unit7.h"
#include "app/Unit1.h"
#include "engine/EngineError.h"
#include "engine/TAudioRecord2.h"
#include "platform/ui/Guarded.h"
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QSlider>
#include <algorithm>

TfrmRecFlt* frmRecFlt = nullptr;

namespace {
TAudioRecord2& recorder()
{
    if (!Form1 || !Form1->AudioRecord1)
        throw EngineError(QStringLiteral("The recorder does not exist"));
    return *Form1->AudioRecord1;
}

struct RowDesign {
    int top;
    const char* caption;
    int checkWidth;
    int min, max, position, tick;
};
constexpr RowDesign kRows[3] = {
    {16, QT_TRANSLATE_NOOP("TfrmRecFlt", "Фильтр Метки"), 100, 40, 200, 50, 5},
    {48, QT_TRANSLATE_NOOP("TfrmRecFlt", "ФВЧ"), 89, 100, 44100, 400, 1000},
    {80, QT_TRANSLATE_NOOP("TfrmRecFlt", "ФНЧ"), 89, 100, 44100, 4000, 1000},
};
} // namespace

std::function<void()>& TfrmRecFlt::beepHandler()
{
    static std::function<void()> handler = [] { QApplication::beep(); };
    return handler;
}

TfrmRecFlt::TfrmRecFlt(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRecFlt"));
    setWindowTitle(tr("Фильтр записи"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(380, 120);

    QCheckBox** boxes[3] = {&CheckBox1, &CheckBox2, &CheckBox3};
    QSlider** bars[3] = {&TrackBar1, &TrackBar2, &TrackBar3};
    QLineEdit** edits[3] = {&Edit1, &Edit2, &Edit3};
    QLabel** labels[3] = {&Label1, &Label2, &Label3};
    for (int r = 0; r < 3; ++r) {
        const RowDesign& row = kRows[r];
        const QString n = QString::number(r + 1);

        auto* box = new QCheckBox(tr(row.caption), this);
        box->setObjectName(QStringLiteral("CheckBox") + n);
        box->setGeometry(16, row.top, row.checkWidth, 21);
        *boxes[r] = box;

        auto* bar = new QSlider(Qt::Horizontal, this);
        bar->setObjectName(QStringLiteral("TrackBar") + n);
        bar->setGeometry(112, row.top, 185, 25);
        bar->setRange(row.min, row.max);
        bar->setValue(row.position);
        bar->setTickInterval(row.tick);
        bar->setTickPosition(QSlider::TicksBelow);
        bar->setSingleStep(1);
        bar->setPageStep(row.tick);
        *bars[r] = bar;

        auto* edit = new QLineEdit(QString::number(row.position), this);
        edit->setObjectName(QStringLiteral("Edit") + n);
        edit->setGeometry(304, row.top + 2, 41, 21);
        edit->installEventFilter(this);
        *edits[r] = edit;

        auto* label = new QLabel(tr("гц"), this);
        label->setObjectName(QStringLiteral("Label") + n);
        label->move(352, row.top + 8);
        label->adjustSize();
        *labels[r] = label;
    }

    // The captions take more room in this system's fonts than at design: the sliders start
    // after the widest one and keep their right end, so no caption runs under a slider.
    int captions = 0;
    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3})
        captions = std::max(captions, box->x() + box->sizeHint().width());
    const int barLeft = std::max(112, captions + 4);
    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3})
        box->resize(std::max(box->width(), barLeft - box->x() - 2), box->height());
    for (QSlider* bar : {TrackBar1, TrackBar2, TrackBar3})
        bar->setGeometry(barLeft, bar->y(), 112 + 185 - barLeft, bar->height());

    connect(CheckBox1, &QCheckBox::toggled, this, guarded([this] { CheckBox1Click(); }));
    connect(CheckBox2, &QCheckBox::toggled, this, guarded([this] { CheckBox2Click(); }));
    connect(CheckBox3, &QCheckBox::toggled, this, guarded([this] { CheckBox3Click(); }));
    connect(TrackBar1, &QSlider::valueChanged, this, guarded([this] { TrackBar1Change(); }));
    connect(TrackBar2, &QSlider::valueChanged, this, guarded([this] { TrackBar2Change(); }));
    connect(TrackBar3, &QSlider::valueChanged, this, guarded([this] { TrackBar3Change(); }));
}

TfrmRecFlt::~TfrmRecFlt()
{
    if (frmRecFlt == this)
        frmRecFlt = nullptr;
}

// ---- switches --------------------------------------------------------------------------

void TfrmRecFlt::CheckBox1Click() { recorder().setNotchFilter(CheckBox1->isChecked()); }
void TfrmRecFlt::CheckBox2Click() { recorder().setHighPassFilter(CheckBox2->isChecked()); }
void TfrmRecFlt::CheckBox3Click() { recorder().setLowPassFilter(CheckBox3->isChecked()); }

// ---- frequencies -----------------------------------------------------------------------

void TfrmRecFlt::TrackBar1Change()
{
    Edit1->setText(QString::number(TrackBar1->value()));
    recorder().setNotchFrequency(static_cast<float>(TrackBar1->value()));
}

void TfrmRecFlt::TrackBar2Change()
{
    Edit2->setText(QString::number(TrackBar2->value()));
    recorder().setHighPassFrequency(static_cast<float>(TrackBar2->value()));
}

void TfrmRecFlt::TrackBar3Change()
{
    Edit3->setText(QString::number(TrackBar3->value()));
    recorder().setLowPassFrequency(static_cast<float>(TrackBar3->value()));
}

// ---- typing ----------------------------------------------------------------------------

bool TfrmRecFlt::AcceptsKey(QChar Key) const
{
    const char16_t c = Key.unicode();
    if (c == u'\r')
        return false;
    if (c < 32)
        return true;   // backspace, the clipboard shortcuts and other control characters
    if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-')
        return true;
    const QString separator = QLocale().decimalPoint();
    return !separator.isEmpty() && Key == separator.at(0);
}

bool TfrmRecFlt::keyPress(QChar& Key, void (TfrmRecFlt::*exitHandler)())
{
    if (Key == QLatin1Char('\r')) {
        (this->*exitHandler)();
        return true;
    }
    if (!AcceptsKey(Key)) {
        Key = QChar(0);
        if (beepHandler())
            beepHandler()();
        return false;
    }
    return true;
}

bool TfrmRecFlt::Edit1KeyPress(QChar& Key) { return keyPress(Key, &TfrmRecFlt::Edit1Exit); }
bool TfrmRecFlt::Edit2KeyPress(QChar& Key) { return keyPress(Key, &TfrmRecFlt::Edit2Exit); }
bool TfrmRecFlt::Edit3KeyPress(QChar& Key) { return keyPress(Key, &TfrmRecFlt::Edit3Exit); }

void TfrmRecFlt::editExit(QLineEdit* edit, QSlider* bar)
{
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    const QString text = edit->text();
    bool ok = integer.match(text).hasMatch();
    const int value = ok ? text.toInt(&ok, 10) : 0;
    if (!ok) {
        edit->setText(QString::number(bar->value()));
        return;
    }
    // The slider clamps to its range and reports a change only when its position moves.
    bar->setValue(value);
}

void TfrmRecFlt::Edit1Exit() { editExit(Edit1, TrackBar1); }
void TfrmRecFlt::Edit2Exit() { editExit(Edit2, TrackBar2); }
void TfrmRecFlt::Edit3Exit() { editExit(Edit3, TrackBar3); }

bool TfrmRecFlt::eventFilter(QObject* watched, QEvent* event)
{
    bool (TfrmRecFlt::*keyHandler)(QChar&) = nullptr;
    void (TfrmRecFlt::*exitHandler)() = nullptr;
    if (watched == Edit1) {
        keyHandler = &TfrmRecFlt::Edit1KeyPress;
        exitHandler = &TfrmRecFlt::Edit1Exit;
    } else if (watched == Edit2) {
        keyHandler = &TfrmRecFlt::Edit2KeyPress;
        exitHandler = &TfrmRecFlt::Edit2Exit;
    } else if (watched == Edit3) {
        keyHandler = &TfrmRecFlt::Edit3KeyPress;
        exitHandler = &TfrmRecFlt::Edit3Exit;
    } else {
        return QDialog::eventFilter(watched, event);
    }

    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        bool accepted = true;
        for (QChar c : text) {
            runGuarded([&] { accepted = (this->*keyHandler)(c); });
            if (!accepted)
                return true;   // refused: the edit never sees the key
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Leaving the field for another control of this window; switching to another
        // window leaves the field as it is, and leaving it later applies it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            runGuarded([&] { (this->*exitHandler)(); });
    }
    return QDialog::eventFilter(watched, event);
}
