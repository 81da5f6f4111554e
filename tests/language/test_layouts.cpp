// Every window, page and dialog in each language: no caption left in Russian in English, and
// in either language no label, button, group title, tab or column title cut off by its
// widget. (ctest runs these once more with QT_SCALE_FACTOR=2.)
#include "LanguageTestSupport.h"

#include "app/Unit1.h"
#include "app/rename.h"
#include "auxiliary/Unit4.h"
#include "auxiliary/tip.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "mixer/Unit2.h"
#include "mixer/Unit5.h"
#include "mixer/Unit7.h"
#include "settings/setting.h"
#include "settings/timelimit.h"
#include "settings/trigger.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// Looks at one window as it is shown and collects what is wrong with it.
class LayoutCheck {
public:
    LayoutCheck(bool english) : english_(english) {}

    void window(QWidget* top, const QString& where)
    {
        text(top, where, top->windowTitle(), QStringLiteral("title"));
        QList<QWidget*> all = top->findChildren<QWidget*>();
        all.prepend(top);
        for (QWidget* w : all) {
            if (!w->isVisible() || w->window() != top)
                continue;
            const QString at = where + QStringLiteral(" / ") + name(w);
            text(w, at, w->toolTip(), QStringLiteral("tool tip"));
            text(w, at, w->accessibleName(), QStringLiteral("accessible name"));
            if (auto* label = qobject_cast<QLabel*>(w))
                checkLabel(label, at);
            else if (auto* button = qobject_cast<QAbstractButton*>(w))
                checkButton(button, at);
            else if (auto* box = qobject_cast<QGroupBox*>(w))
                checkGroup(box, at);
            else if (auto* tabs = qobject_cast<QTabBar*>(w))
                checkTabs(tabs, at);
            else if (auto* header = qobject_cast<QHeaderView*>(w))
                checkHeader(header, at);
            else if (auto* combo = qobject_cast<QComboBox*>(w))
                text(w, at, combo->currentText(), QStringLiteral("list"));
            if (qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w))
                checkHeight(w, at);
        }
    }

    void menu(QMenu* m, const QString& where)
    {
        text(m, where, m->title(), QStringLiteral("menu"));
        for (QAction* a : m->actions()) {
            text(m, where, a->text(), QStringLiteral("menu item"));
            text(m, where, a->toolTip(), QStringLiteral("menu item tip"));
        }
    }

    QStringList problems;

private:
    static QString name(const QWidget* w)
    {
        const QString object = w->objectName();
        return QString::fromLatin1(w->metaObject()->className())
               + (object.isEmpty() ? QString() : QStringLiteral(" ") + object);
    }

    void text(const QWidget*, const QString& at, const QString& t, const QString& what)
    {
        if (english_ && hasCyrillic(t))
            problems << QStringLiteral("%1: %2 in Russian: \"%3\"").arg(at, what, t);
    }

    void tooNarrow(const QString& at, const QString& t, int needed, int has)
    {
        problems << QStringLiteral("%1: \"%2\" needs %3 px, has %4").arg(at, t).arg(needed).arg(has);
    }

    // A layout short of room squeezes its fields and buttons until their text is cut: a line of
    // text (with the frame of a field, or under the picture of a tool button) must fit.
    void checkHeight(QWidget* w, const QString& at)
    {
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->text().isEmpty())
            return;   // a picture only (the arrows of a number field)
        int needed = w->fontMetrics().height();
        if (qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w))
            needed += 6;
        else if (auto* tool = qobject_cast<QToolButton*>(w); tool && tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon)
            needed += tool->iconSize().height() + 4;
        if (needed > w->height())
            problems << QStringLiteral("%1: squeezed to %2 px of height, needs %3").arg(at).arg(w->height()).arg(needed);
    }

    void checkLabel(QLabel* l, const QString& at)
    {
        const QString t = l->text();
        text(l, at, t, QStringLiteral("label"));
        if (t.isEmpty() || l->property("tavrinElides").toBool())
            return;   // a name shortened on purpose (a sound server's line names)
        if (l->wordWrap()) {
            const int needed = l->heightForWidth(l->width());
            if (needed > l->height())
                problems << QStringLiteral("%1: \"%2\" needs %3 px of height, has %4").arg(at, t).arg(needed).arg(l->height());
            return;
        }
        const QSize hint = l->sizeHint();
        if (hint.width() > l->width())
            tooNarrow(at, t, hint.width(), l->width());
        if (hint.height() > l->height())
            problems << QStringLiteral("%1: \"%2\" needs %3 px of height, has %4").arg(at, t).arg(hint.height()).arg(l->height());
    }

    void checkButton(QAbstractButton* b, const QString& at)
    {
        const QString t = b->text();
        text(b, at, t, QStringLiteral("button"));
        if (t.isEmpty())
            return;
        const int textWidth = b->fontMetrics().horizontalAdvance(t);
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = t;
        QStyle::SubElement contents;
        if (qobject_cast<QPushButton*>(b))
            contents = QStyle::SE_PushButtonContents;
        else if (b->inherits("QCheckBox"))
            contents = QStyle::SE_CheckBoxContents;
        else if (b->inherits("QRadioButton"))
            contents = QStyle::SE_RadioButtonContents;
        else {
            if (b->sizeHint().width() > b->width())   // tool buttons: text under the picture
                tooNarrow(at, t, b->sizeHint().width(), b->width());
            return;
        }
        const int room = b->style()->subElementRect(contents, &opt, b).width();
        if (textWidth > room)
            tooNarrow(at, t, textWidth, room);
    }

    void checkGroup(QGroupBox* g, const QString& at)
    {
        text(g, at, g->title(), QStringLiteral("group title"));
        if (g->title().isEmpty())
            return;
        QStyleOptionGroupBox opt;
        opt.initFrom(g);
        opt.text = g->title();
        opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect label = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
        if (label.right() >= g->width())
            tooNarrow(at, g->title(), label.right() + 1, g->width());
    }

    void checkTabs(QTabBar* tabs, const QString& at)
    {
        QStringList texts;
        for (int i = 0; i < tabs->count(); ++i) {
            text(tabs, at, tabs->tabText(i), QStringLiteral("tab"));
            text(tabs, at, tabs->tabToolTip(i), QStringLiteral("tab tip"));
            texts << tabs->tabText(i);
        }
        if (tabs->sizeHint().width() > tabs->width())
            tooNarrow(at, texts.join(QStringLiteral(" | ")), tabs->sizeHint().width(), tabs->width());
    }

    void checkHeader(QHeaderView* h, const QString& at)
    {
        const QAbstractItemModel* model = h->model();
        if (!model)
            return;
        const int margin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
        for (int i = 0; i < h->count(); ++i) {
            const QString t = model->headerData(i, h->orientation()).toString();
            text(h, at, t, QStringLiteral("column title"));
            const int needed = h->fontMetrics().horizontalAdvance(t) + 2 * margin;
            if (!t.isEmpty() && !h->isSectionHidden(i) && needed > h->sectionSize(i))
                tooNarrow(at, t, needed, h->sectionSize(i));
        }
    }

    bool english_;
};

class LayoutTest : public LanguageTest, public ::testing::WithParamInterface<const char*> {
protected:
    template <class Dialog>
    void look(LayoutCheck& check, Dialog* d, const QString& where)
    {
        d->show();
        pumpEvents();
        check.window(d, where);
        d->close();
        pumpEvents();
    }
};

TEST_P(LayoutTest, EveryWindowPageAndDialogShowsItsCaptionsWhole)
{
    const QString language = QString::fromLatin1(GetParam());
    use(language);
    folder.write("setup.ini", "[tips]\nshowtip=0\n");
    folder.write("tips.txt", "Совет\n");
    folder.write("tips_en.txt", "A tip\n");
    LayoutCheck check(language == QLatin1String("en"));

    TForm1* f = openMainWindow(true);
    f->TimerTip->stop();
    pumpEvents();
    for (int page = 0; page < f->PageControl1->count(); ++page) {
        f->PageControl1->setCurrentIndex(page);
        pumpEvents();
        check.window(f, QStringLiteral("main window, page %1").arg(page));
    }
    for (QMenu* m : f->menuBar()->findChildren<QMenu*>())
        check.menu(m, QStringLiteral("menu"));
    check.menu(f->PopupMenu1, QStringLiteral("file list menu"));

    look(check, new TSettingForm(f), QStringLiteral("settings"));
    look(check, new TTimeLimitForm(f), QStringLiteral("automatic stop"));
    look(check, new TTriggerForm(f), QStringLiteral("automatic start"));
    look(check, new TAboutBox(f), QStringLiteral("about box"));
    look(check, new TTipForm(f), QStringLiteral("tip"));
    look(check, RenameForm, QStringLiteral("rename"));
    look(check, frmEQ, QStringLiteral("equaliser"));
    look(check, frmRecFlt, QStringLiteral("record filter"));
    for (bool input : {false, true}) {
        // A line with advanced controls (the virtual mixers' line 1 has a switch and a level).
        if (input)
            f->AudioRecord1->setSrcIndex(1);
        else
            f->AudioPlayer1->setSrcIndex(1);
        TfrmAdv adv(f);
        adv.IsInput = input;
        look(check, &adv, input ? QStringLiteral("advanced input line") : QStringLiteral("advanced output line"));
    }
    EXPECT_TRUE(check.problems.isEmpty()) << check.problems.join(QStringLiteral("\n")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutTest, ::testing::Values("ru", "en"),
                         [](const ::testing::TestParamInfo<const char*>& param) { return std::string(param.param); });

} // namespace
