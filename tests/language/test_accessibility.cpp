// What a screen reader finds in the main window: a name for every control that takes the
// keyboard, in the interface's language, and the values of the drawn controls.
#include "LanguageTestSupport.h"

#include "app/Unit1.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTEqualizer2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"
#include "mixer/Unit2.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QTabWidget>
#include <QTimer>

#include <cmath>

namespace {

void walk(QAccessibleInterface* node, const QString& path, bool english, QStringList& problems)
{
    if (!node || !node->isValid())
        return;
    const QAccessible::State state = node->state();
    const QString name = node->text(QAccessible::Name);
    const QString where = path + QStringLiteral(" / ") + QString::number(int(node->role()), 16);
    if (state.focusable && !state.invisible && !state.offscreen && name.trimmed().isEmpty()) {
        const QObject* object = node->object();
        problems << where + QStringLiteral(": a control that takes the keyboard has no name (")
                        + (object ? QString::fromLatin1(object->metaObject()->className()) + QLatin1Char(' ')
                                        + object->objectName()
                                  : QStringLiteral("an item"))
                        + QLatin1Char(')');
    }
    if (english && hasCyrillic(name))
        problems << where + QStringLiteral(": a Russian name: ") + name;
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), where, english, problems);
}

QAccessibleInterface* face(QWidget* control)
{
    return QAccessible::queryAccessibleInterface(control->focusProxy() ? control->focusProxy() : control);
}

TEST_F(LanguageTest, EveryControlThatTakesTheKeyboardHasANameInBothLanguages)
{
    folder.write("setup.ini", "[tips]\nshowtip=0\n");
    for (const char* language : {"ru", "en"}) {
        use(QString::fromLatin1(language));
        TForm1* f = openMainWindow(true);
        f->TimerTip->stop();
        QStringList problems;
        for (int page = 0; page < f->PageControl1->count(); ++page) {
            f->PageControl1->setCurrentIndex(page);
            pumpEvents();
            walk(QAccessible::queryAccessibleInterface(f), QStringLiteral("%1, page %2").arg(language).arg(page),
                 QLatin1String(language) == QLatin1String("en"), problems);
        }
        walk(QAccessible::queryAccessibleInterface(frmEQ), QString::fromLatin1(language) + " equaliser",
             QLatin1String(language) == QLatin1String("en"), problems);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QStringLiteral("\n")).toStdString();
        closeMainWindow();
    }
}

TEST_F(LanguageTest, TheDrawnControlsTellTheirValues)
{
    folder.write("setup.ini", "[tips]\nshowtip=0\n");
    TForm1* f = openMainWindow(true);
    f->TimerTip->stop();

    // The position slider: read and moved as the user moves it.
    f->NCTSliderB1->setValue(250);
    QAccessibleInterface* slider = face(f->NCTSliderB1);
    ASSERT_TRUE(slider && slider->valueInterface());
    EXPECT_EQ(slider->role(), QAccessible::Slider);
    EXPECT_EQ(slider->text(QAccessible::Name), "Позиция");
    EXPECT_EQ(slider->valueInterface()->currentValue().toInt(), 250);
    EXPECT_EQ(slider->text(QAccessible::Value), "25.0 %");
    QStringList events;
    QObject::connect(f->NCTSliderB1, &TNCTSliderB2::OnMouseDown, [&] { events << "down"; });
    QObject::connect(f->NCTSliderB1, &TNCTSliderB2::OnValueChange, [&](int v) { events << QString::number(v); });
    QObject::connect(f->NCTSliderB1, &TNCTSliderB2::OnMouseUp, [&] { events << "up"; });
    slider->valueInterface()->setCurrentValue(600);
    EXPECT_EQ(events, QStringList({"down", "600", "up"}));

    // The meters and the clock: what they show, when asked.
    f->NCTAmpBar1->setValue(3277);
    QAccessibleInterface* meter = QAccessible::queryAccessibleInterface(f->NCTAmpBar1);
    ASSERT_TRUE(meter && meter->valueInterface());
    EXPECT_EQ(meter->role(), QAccessible::ProgressBar);
    EXPECT_EQ(meter->text(QAccessible::Name), "Уровень левого канала");
    EXPECT_EQ(meter->valueInterface()->currentValue().toInt(), f->NCTAmpBar1->Value());
    const int level = f->NCTAmpBar1->Value();   // what the meter shows of the reading
    ASSERT_GT(level, 0);
    EXPECT_EQ(meter->text(QAccessible::Value),
              QString("%1 дБ").arg(std::lround(20 * std::log10(level / 32767.0))));
    f->NCTTimeDisplay1->setMilliseconds(83000);
    QAccessibleInterface* clock = QAccessible::queryAccessibleInterface(f->NCTTimeDisplay1);
    ASSERT_TRUE(clock);
    EXPECT_EQ(clock->role(), QAccessible::Clock);
    EXPECT_EQ(clock->text(QAccessible::Value), "0:01:23");

    // The deck: its keys by name, the lit one described as on; the volume as a percentage.
    f->NCTPlayButtonB1->SetStateRecord();
    QStringList keys, on;
    for (auto* key : f->NCTPlayButtonB1->findChildren<QAbstractButton*>()) {
        QAccessibleInterface* k = QAccessible::queryAccessibleInterface(key);
        keys << k->text(QAccessible::Name);
        if (k->text(QAccessible::Description) == "включено")
            on << k->text(QAccessible::Name);
    }
    EXPECT_EQ(keys, QStringList({"Запись", "Воспроизведение", "Пауза", "Стоп", "Тихо"}));
    EXPECT_EQ(on, QStringList({"Запись"}));
    f->NCTPlayButtonB1->SetVolume(32768);
    QWidget* wedge = nullptr;
    for (QWidget* w : f->NCTPlayButtonB1->findChildren<QWidget*>())
        if (w->accessibleName() == "Громкость")
            wedge = w;
    ASSERT_TRUE(wedge);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(wedge)->text(QAccessible::Value), "50 %");

    // The equaliser: the band that has the keyboard.
    frmEQ->NCTEqualizer1->setBand(1, 3.0f);
    QAccessibleInterface* eq = face(frmEQ->NCTEqualizer1);
    ASSERT_TRUE(eq && eq->valueInterface());
    EXPECT_EQ(eq->text(QAccessible::Name), "Эквалайзер");
    EXPECT_DOUBLE_EQ(eq->valueInterface()->currentValue().toDouble(), 3.0);
    EXPECT_TRUE(eq->text(QAccessible::Value).endsWith(": +3.0 дБ")) << eq->text(QAccessible::Value).toStdString();
    eq->valueInterface()->setCurrentValue(-4.5);
    EXPECT_FLOAT_EQ(frmEQ->NCTEqualizer1->Band(1), -4.5f);
}

} // namespace
