// The record filter window: typing, leaving a field, loading from the recorder.
#include "MixerFixture.h"
#include "engine/TAudioRecord2.h"
#include "mixer/Unit7.h"
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

class RecordFilter : public MixerTest {
protected:
    void SetUp() override
    {
        form = open();
        dialog = frmRecFlt;
        TfrmRecFlt::beepHandler() = [this] { ++beeps; };
    }
    void TearDown() override { TfrmRecFlt::beepHandler() = [] { QApplication::beep(); }; }
    TAudioRecord2& recorder() { return *form->AudioRecord1; }

    // Types one character into a field as the keyboard would.
    void type(QLineEdit* edit, QChar c, int key = 0)
    {
        QKeyEvent press(QEvent::KeyPress, key ? key : c.unicode(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
    void typeText(QLineEdit* edit, const QString& text)
    {
        for (QChar c : text)
            type(edit, c);
    }

    TForm1* form = nullptr;
    TfrmRecFlt* dialog = nullptr;
    int beeps = 0;
};

TEST_F(RecordFilter, DesignState)
{
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Фильтр записи"));
    EXPECT_EQ(dialog->size(), QSize(380, 120));
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog->CheckBox1->text(), QStringLiteral("Фильтр Метки"));
    EXPECT_EQ(dialog->CheckBox2->text(), QStringLiteral("ФВЧ"));
    EXPECT_EQ(dialog->CheckBox3->text(), QStringLiteral("ФНЧ"));
    EXPECT_EQ(dialog->TrackBar1->minimum(), 40);
    EXPECT_EQ(dialog->TrackBar1->maximum(), 200);
    EXPECT_EQ(dialog->TrackBar2->maximum(), 44100);
    EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("50"));
    EXPECT_EQ(dialog->Edit2->text(), QStringLiteral("400"));
    EXPECT_EQ(dialog->Edit3->text(), QStringLiteral("4000"));
}

TEST_F(RecordFilter, NumberAboveTheRangeTakesTheTopOfTheSlider)
{
    dialog->Edit1->setText(QStringLiteral("300"));
    dialog->Edit1Exit();
    EXPECT_EQ(dialog->TrackBar1->value(), 200);
    EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("200"));
    EXPECT_FLOAT_EQ(recorder().NotchFrequency(), 200.0f);

    dialog->Edit3->setText(QStringLiteral("-5"));
    dialog->Edit3Exit();
    EXPECT_EQ(dialog->TrackBar3->value(), 100);
    EXPECT_FLOAT_EQ(recorder().LowPassFrequency(), 100.0f);
}

TEST_F(RecordFilter, SliderThatDoesNotMoveChangesNothing)
{
    dialog->TrackBar1->setValue(200);
    recorder().setNotchFrequency(199.0f);   // shows whether anything is written below
    dialog->Edit1->setText(QStringLiteral("300"));
    dialog->Edit1Exit();
    EXPECT_EQ(dialog->TrackBar1->value(), 200);
    EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("300"));
    EXPECT_FLOAT_EQ(recorder().NotchFrequency(), 199.0f);
}

TEST_F(RecordFilter, TextThatIsNoWholeNumberRevertsToTheSlider)
{
    for (const QString& text : {QStringLiteral("12a"), QString(), QStringLiteral("50.5"),
                                QStringLiteral("99999999999"), QStringLiteral("1 2")}) {
        SCOPED_TRACE(text.toStdString());
        dialog->Edit2->setText(text);
        dialog->Edit2Exit();
        EXPECT_EQ(dialog->Edit2->text(), QStringLiteral("400"));
        EXPECT_EQ(dialog->TrackBar2->value(), 400);
    }
    dialog->Edit2->setText(QStringLiteral("+1500"));
    dialog->Edit2Exit();
    EXPECT_EQ(dialog->TrackBar2->value(), 1500);
    EXPECT_FLOAT_EQ(recorder().HighPassFrequency(), 1500.0f);
}

TEST_F(RecordFilter, KeyFilterRefusesLettersWithABeep)
{
    dialog->Edit1->clear();
    typeText(dialog->Edit1, QStringLiteral("1a2"));
    EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("12"));
    EXPECT_EQ(beeps, 1);

    // Signs, the locale's decimal separator and control characters pass.
    const QChar separator = QLocale().decimalPoint().at(0);
    typeText(dialog->Edit1, QStringLiteral("-+") + separator);
    EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("12-+") + separator);
    type(dialog->Edit1, QChar(8), Qt::Key_Backspace);
    EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("12-+"));
    EXPECT_EQ(beeps, 1);

    QChar letter(u'x');
    EXPECT_FALSE(dialog->Edit3KeyPress(letter));
    EXPECT_EQ(letter, QChar(0));
    EXPECT_EQ(beeps, 2);
}

TEST_F(RecordFilter, EnterAppliesTheFieldAsLeavingDoes)
{
    dialog->Edit3->setText(QStringLiteral("8000"));
    type(dialog->Edit3, QLatin1Char('\r'), Qt::Key_Return);
    EXPECT_EQ(dialog->TrackBar3->value(), 8000);
    EXPECT_FLOAT_EQ(recorder().LowPassFrequency(), 8000.0f);
    EXPECT_EQ(beeps, 0);
}

TEST_F(RecordFilter, SwitchesAndSlidersWriteTheRecorder)
{
    dialog->CheckBox1->click();
    dialog->CheckBox3->click();
    EXPECT_TRUE(recorder().NotchFilter());
    EXPECT_FALSE(recorder().HighPassFilter());
    EXPECT_TRUE(recorder().LowPassFilter());
    dialog->CheckBox1->click();
    EXPECT_FALSE(recorder().NotchFilter());

    dialog->TrackBar2->setValue(2500);
    EXPECT_EQ(dialog->Edit2->text(), QStringLiteral("2500"));
    EXPECT_FLOAT_EQ(recorder().HighPassFrequency(), 2500.0f);
}

TEST_F(RecordFilter, LoadingRoundsHalvesToEvenAndWritesBackWhatMoved)
{
    recorder().setNotchFilter(true);
    recorder().setLowPassFilter(true);
    recorder().setNotchFrequency(50.5f);
    recorder().setHighPassFrequency(20.0f);
    recorder().setLowPassFrequency(4000.0f);
    form->LoadRecordFilterDialog();
    EXPECT_TRUE(dialog->CheckBox1->isChecked());
    EXPECT_FALSE(dialog->CheckBox2->isChecked());
    EXPECT_TRUE(dialog->CheckBox3->isChecked());
    EXPECT_EQ(dialog->TrackBar1->value(), 50);
    EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("50"));
    EXPECT_EQ(dialog->TrackBar2->value(), 100);
    EXPECT_EQ(dialog->Edit2->text(), QStringLiteral("100"));
    EXPECT_FLOAT_EQ(recorder().HighPassFrequency(), 100.0f);

    recorder().setNotchFrequency(51.5f);
    form->LoadRecordFilterDialog();
    EXPECT_EQ(dialog->TrackBar1->value(), 52);
    EXPECT_EQ(dialog->Edit1->text(), QStringLiteral("52"));
    EXPECT_FLOAT_EQ(recorder().NotchFrequency(), 52.0f);
}

TEST_F(RecordFilter, FilterButtonShowsTheWindowWithoutBlocking)
{
    form->btnSetFilterClick();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    dialog->close();
}

} // namespace
