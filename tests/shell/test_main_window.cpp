#include "app/Unit1.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/controls/TAudioVisualization2.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"
#include "support/GuiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

using MainWindow = GuiTest;

namespace {
QStringList actionTexts(QMenu* menu)
{
    QStringList t;
    for (QAction* a : menu->actions())
        t << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return t;
}
} // namespace

TEST_F(MainWindow, CaptionSizeAndPages)
{
    TForm1* f = openMainWindow();
    EXPECT_EQ(Form1, f);
    EXPECT_EQ(f->windowTitle(), "Tavrin V 3.7.2");
    EXPECT_EQ(f->minimumSize(), QSize(560, 375));
    EXPECT_EQ(f->size(), QSize(598, 428));

    QTabWidget* pc = f->PageControl1;
    ASSERT_EQ(pc->count(), 4);
    EXPECT_EQ(pc->widget(0), f->TabSheet1);
    EXPECT_EQ(pc->widget(1), f->TabSheet3);
    EXPECT_EQ(pc->widget(2), f->TabSheet4);
    EXPECT_EQ(pc->widget(3), f->TabSheet2);
    EXPECT_EQ(pc->tabText(0), "Запись звука");
    EXPECT_EQ(pc->tabText(1), "Микшер входа");
    EXPECT_EQ(pc->tabText(2), "Микшер выхода");
    EXPECT_EQ(pc->tabText(3), "Информация о файле");
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(pc->tabIcon(i).isNull()) << i;
        EXPECT_EQ(pc->tabBar()->tabTextColor(i), QColor(0, 0, 128)) << i;
    }
    EXPECT_TRUE(pc->tabBar()->font().bold());
    EXPECT_EQ(pc->currentIndex(), 0);

    // The page commands.
    f->Options1->trigger();
    EXPECT_EQ(pc->currentWidget(), f->TabSheet3);
    f->PlaybackVolumeControls1->trigger();
    EXPECT_EQ(pc->currentWidget(), f->TabSheet4);
    f->FileInfo1->trigger();
    EXPECT_EQ(pc->currentWidget(), f->TabSheet2);
}

TEST_F(MainWindow, MenusHaveTheirCaptionsPicturesAndShortcuts)
{
    TForm1* f = openMainWindow();
    const QList<QAction*> top = f->menuBar()->actions();
    ASSERT_EQ(top.size(), 4);
    EXPECT_EQ(top[0]->menu(), f->File1);
    EXPECT_EQ(top[3]->menu(), f->Help1);
    EXPECT_EQ(f->File1->title(), "Файл");
    EXPECT_EQ(f->PlayRecord1->title(), "Режим");
    EXPECT_EQ(f->Option1->title(), "Настройка");
    EXPECT_EQ(f->Help1->title(), "Помощь");
    EXPECT_EQ(actionTexts(f->File1), QStringList({"Открыть", "-", "Выход"}));
    EXPECT_EQ(actionTexts(f->PlayRecord1),
              QStringList({"Запись", "-", "Воспроизведение", "Пауза", "Стоп"}));
    EXPECT_EQ(actionTexts(f->Option1), QStringList({"Микшер вход", "Микшер выход",
                                                    "Инфрмация о файле", "-", "Оптимизация", "Авто старт"}));
    EXPECT_EQ(actionTexts(f->Help1), QStringList({"Справка", "-", "Домашняя страница", "-",
                                                  "Совет", "О программе"}));

    EXPECT_EQ(f->Open1->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(f->Record1->shortcut(), QKeySequence("Ctrl+R"));
    EXPECT_EQ(f->Play1->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(f->Stop1->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(f->Options2->shortcut(), QKeySequence("F2"));
    EXPECT_EQ(f->HelpContents2->shortcut(), QKeySequence("F1"));
    for (QAction* a : {f->Exit1, f->Pause1, f->Options1, f->PlaybackVolumeControls1,
                       f->FileInfo1, f->Trigger1, f->Homepage2, f->ipoftheDay1, f->About1})
        EXPECT_TRUE(a->shortcut().isEmpty()) << a->objectName().toStdString();
    for (QMenu* m : {f->File1, f->PlayRecord1, f->Option1, f->Help1})
        for (QAction* a : m->actions())
            if (!a->isSeparator()) {
                EXPECT_FALSE(a->icon().isNull()) << a->objectName().toStdString();
            }
    // Every item is reachable by its name, separators included.
    for (const char* name : {"Open1", "N1", "Exit1", "Record1", "N3", "Play1", "Pause1", "Stop1",
                             "Options1", "PlaybackVolumeControls1", "FileInfo1", "N4", "Options2",
                             "Trigger1", "HelpContents2", "N2", "Homepage2", "N5", "ipoftheDay1", "About1"})
        EXPECT_NE(f->findChild<QAction*>(name), nullptr) << name;
}

TEST_F(MainWindow, ToolbarButtons)
{
    TForm1* f = openMainWindow();
    EXPECT_EQ(f->ToolBar1->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(f->ToolBar1->iconSize(), QSize(32, 32));
    struct B { QToolButton* b; const char* caption; const char* hint; };
    const B buttons[] = {{f->ToolBtnOpen, "Открыть", "Открыть файл"},
                         {f->ToolBtnOptions, "Настройка", "Настройка"},
                         {f->ToolBtnAutostop, "Авто стоп", nullptr},
                         {f->ToolBtnTrigger, "Авто старт", nullptr},
                         {f->ToolBtnHelp, "Помощь", "Справка"},
                         {f->ToolBtnAbout, "О программе", "О программе"}};
    int lastX = -1;
    for (const B& x : buttons) {
        EXPECT_EQ(x.b->text(), x.caption);
        if (x.hint) {
            EXPECT_EQ(x.b->toolTip(), x.hint);
        }
        EXPECT_TRUE(x.b->autoRaise());
        EXPECT_GE(x.b->width(), 54);
        EXPECT_EQ(x.b->height(), 52);
        EXPECT_FALSE(x.b->icon().isNull());
        EXPECT_GT(x.b->x(), lastX);   // in this order, left to right
        lastX = x.b->x();
    }
    QWidget* sep = f->findChild<QWidget*>("ToolButton7");
    ASSERT_NE(sep, nullptr);
    EXPECT_EQ(sep->width(), 80);
    EXPECT_GT(sep->x(), f->ToolBtnTrigger->x());
    EXPECT_LT(sep->x(), f->ToolBtnHelp->x());

    // The automatic-stop button shows a pressed state that only the program sets. While no
    // limit is set a click opens the time-limit dialog (closed here at once); the click itself
    // does not press the button.
    EXPECT_TRUE(f->ToolBtnAutostop->isCheckable());
    RecordingSettings.TimeLimit = -1;
    f->setAutostopButton(false, QString());
    modals.onDialog = [](QWidget* w) { w->close(); };
    f->ToolBtnAutostop->click();
    EXPECT_FALSE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(modals.seen.size(), 1);
    // Without its handler, a click leaves a pressed button pressed as well.
    QObject::disconnect(f->ToolBtnAutostop, nullptr, f, nullptr);
    f->ToolBtnAutostop->setChecked(true);
    f->ToolBtnAutostop->click();
    EXPECT_TRUE(f->ToolBtnAutostop->isChecked());
    f->ToolBtnAutostop->setChecked(false);
    f->ToolBtnAutostop->click();
    EXPECT_FALSE(f->ToolBtnAutostop->isChecked());
}

TEST_F(MainWindow, VisualisationPage)
{
    TForm1* f = openMainWindow();
    EXPECT_EQ(f->Panel2->width(), 225);
    EXPECT_EQ(f->Label1->text(), "Развёртка");
    EXPECT_EQ(f->Label3->text(), "Формы Win");
    ASSERT_EQ(f->ComboBox1->count(), 3);
    EXPECT_EQ(f->ComboBox1->itemText(2), "4096");
    EXPECT_EQ(f->ComboBox1->currentIndex(), 1);
    ASSERT_EQ(f->ComboBox2->count(), 5);
    EXPECT_EQ(f->ComboBox2->itemText(2), "Barlett");
    EXPECT_EQ(f->ComboBox2->currentIndex(), f->AudioVisualization1->WindowFFTType());
    EXPECT_EQ(f->RadioGroup1->title(), "Вид панели");
    ASSERT_EQ(f->RadioGroup1Buttons->buttons().size(), 6);
    EXPECT_EQ(f->RadioGroup1Buttons->checkedId(), 2);
    EXPECT_EQ(f->RadioGroup1Buttons->button(5)->text(), "Смесь");
    // Two columns, filled column by column.
    EXPECT_EQ(f->RadioGroup1Buttons->button(0)->x(), f->RadioGroup1Buttons->button(2)->x());
    EXPECT_LT(f->RadioGroup1Buttons->button(0)->x(), f->RadioGroup1Buttons->button(3)->x());
    EXPECT_EQ(f->AudioVisualization1->toolTip(), "Экран");
    EXPECT_EQ(f->AudioVisualization1->x(), 225);
    EXPECT_EQ(f->AudioVisualization1->width(), f->TabSheet1->width() - 225);
}

TEST_F(MainWindow, MixerPageHeaders)
{
    TForm1* f = openMainWindow();
    EXPECT_EQ(f->Label4->text(), "Устройство ввода данных");
    EXPECT_EQ(f->btnSetFilter->text(), "Фильтр");
    EXPECT_EQ(f->DeviceComboIn->parentWidget(), f->TabSheet3);
    EXPECT_FALSE(f->DeviceComboIn->isEditable());
    EXPECT_EQ(f->Label2->text(), "Устройство вывода");
    EXPECT_EQ(f->DeviceCombo->parentWidget(), f->TabSheet4);
    EXPECT_EQ(f->chEqualizer->text(), "Эквалайзер");
    EXPECT_EQ(f->chEqualizer->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(f->chEqualizer->pos(), QPoint(360, 4));
    EXPECT_EQ(f->ToolBtnEqualizer->parentWidget(), f->TabSheet4);

    // Grayed -> checked by the first click, then checked <-> cleared, never grayed again.
    f->chEqualizer->click();
    EXPECT_EQ(f->chEqualizer->checkState(), Qt::Checked);
    f->chEqualizer->click();
    EXPECT_EQ(f->chEqualizer->checkState(), Qt::Unchecked);
    f->chEqualizer->click();
    EXPECT_EQ(f->chEqualizer->checkState(), Qt::Checked);
}

TEST_F(MainWindow, FilePageListAndTagFields)
{
    TForm1* f = openMainWindow();
    QTreeWidget* lv = f->ListView1;
    ASSERT_EQ(lv->columnCount(), 4);
    EXPECT_EQ(lv->headerItem()->text(0), "");
    EXPECT_EQ(lv->headerItem()->text(1), "Размер");
    EXPECT_EQ(lv->headerItem()->text(2), "Время");
    EXPECT_EQ(lv->headerItem()->text(3), "Сохранить дерикторию");
    EXPECT_EQ(lv->columnWidth(0), 134);
    EXPECT_EQ(lv->columnWidth(1), 80);
    EXPECT_EQ(lv->columnWidth(2), 80);
    EXPECT_EQ(lv->columnWidth(3), 170);
    EXPECT_EQ(lv->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(lv->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(lv->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(lv->topLevelItemCount(), 0);

    EXPECT_EQ(actionTexts(f->PopupMenu1), QStringList({"Воспроизведение", "Переименовать",
                                                       "Удалить из списка", "Удалить с диска"}));
    for (QAction* a : {f->Play2, f->Rename1, f->Delete2, f->Delete1})
        EXPECT_FALSE(a->isEnabled());

    struct L { QLabel* label; const char* text; QWidget* field; };
    const L pairs[] = {{f->Label5, "Заголовок:", f->infoTitle}, {f->Label6, "Артист:", f->infoArtist},
                       {f->Label7, "Альбом:", f->infoAlbum}, {f->Label11, "Комментарии:", f->infoComment},
                       {f->Label8, "Автор:", f->infoCopyright}, {f->Label9, "год:", f->infoYear},
                       {f->Label10, "Дорожка:", f->infoTrack}, {f->Label12, "Стиль:", f->infoGenre}};
    for (const L& p : pairs) {
        EXPECT_EQ(p.label->text(), p.text);
        EXPECT_EQ(p.label->buddy(), p.field);
        EXPECT_LT(p.label->x(), p.field->x());
    }
    EXPECT_EQ(f->infoTitle->geometry(), QRect(87, 104, 128, 20));
    EXPECT_EQ(f->infoMTV->title(), "Версия сжатия");
    EXPECT_EQ(f->infoMTVButtons->button(0)->text(), "ID3v1");
    EXPECT_EQ(f->infoMTVButtons->button(1)->text(), "ID3v2");
    EXPECT_EQ(f->infoMTVButtons->checkedId(), 1);
    EXPECT_EQ(f->btnReset->text(), "Сброс");
    EXPECT_EQ(f->btnReset->toolTip(), "Сброс файловой информации");
    EXPECT_EQ(f->btnApply->text(), "Применить");
    EXPECT_EQ(f->btnApply->toolTip(), "Применить инфо файла");
    EXPECT_FALSE(f->btnReset->isEnabled());
    EXPECT_FALSE(f->btnApply->isEnabled());

    // Tab order: title, artist, album, genre, author, year, track, comment, version, reset,
    // apply, list.
    const QWidget* order[] = {f->infoTitle, f->infoArtist, f->infoAlbum, f->infoGenre,
                              f->infoCopyright, f->infoYear, f->infoTrack, f->infoComment,
                              f->infoMTVButtons->button(0), f->infoMTVButtons->button(1),
                              f->btnReset, f->btnApply, f->ListView1};
    auto nextTabStop = [](const QWidget* w) {
        QWidget* n = w->nextInFocusChain();
        while (!(n->focusPolicy() & Qt::TabFocus))
            n = n->nextInFocusChain();
        return n;
    };
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        EXPECT_EQ(nextTabStop(order[i]), order[i + 1]) << i;
}

TEST_F(MainWindow, TransportStripAndStatusBar)
{
    TForm1* f = openMainWindow();
    EXPECT_EQ(f->Panel1->height(), 65);
    EXPECT_EQ(f->NCTPlayButtonB1->toolTip(), "Панелька магнитофона");
    EXPECT_EQ(f->NCTTimeDisplay1->toolTip(), "Time Elapsed");
    EXPECT_EQ(f->NCTSliderB1->geometry().topLeft(), QPoint(8, 8));
    EXPECT_EQ(f->NCTSliderB1->height(), 15);
    EXPECT_EQ(f->NCTPlayButtonB1->geometry().topLeft(), QPoint(8, 27));
    EXPECT_EQ(f->NCTPlayButtonB1->height(), 27);
    EXPECT_EQ(f->NCTAmpBar1->y(), 28);
    EXPECT_EQ(f->NCTAmpBar1->size(), QSize(153, 21));
    EXPECT_EQ(f->NCTAmpBar2->y(), 43);
    EXPECT_EQ(f->NCTAmpBar2->size(), QSize(153, 13));
    EXPECT_EQ(f->NCTTimeDisplay1->y(), 24);
    EXPECT_EQ(f->NCTTimeDisplay1->size(), QSize(121, 33));

    f->resize(1000, 500);
    ASSERT_TRUE(waitUntil([&] { return f->width() == 1000; }));
    const int widths[3] = {60, 320, 300};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f->StatusPanel[i]->width(), widths[i]) << i;
        EXPECT_TRUE(f->StatusPanel[i]->isVisible()) << i;
        EXPECT_EQ(f->statusText(i), "");
    }
    EXPECT_LT(f->StatusPanel[0]->x(), f->StatusPanel[1]->x());
    EXPECT_LT(f->StatusPanel[1]->x(), f->StatusPanel[2]->x());
    f->setStatusText(0, "Stop");
    f->setStatusText(2, "MP3 44100 Hz");
    EXPECT_EQ(f->StatusPanel[0]->text(), "Stop");
    EXPECT_EQ(f->statusText(2), "MP3 44100 Hz");
    f->setStatusText(3, "ignored");
    EXPECT_EQ(f->statusText(3), "");

    // The panels keep their widths in the smallest window, where they do not all fit.
    f->resize(560, 375);
    ASSERT_TRUE(waitUntil([&] { return f->width() == 560; }));
    EXPECT_EQ(f->StatusPanel[1]->width(), 320);
}

TEST_F(MainWindow, PictureLists)
{
    openMainWindow(false);
    EXPECT_EQ(TForm1::ImageList1(8).actualSize(QSize(64, 64)), QSize(16, 16));   // list rows
    EXPECT_EQ(TForm1::ImageList2(7).actualSize(QSize(64, 64)), QSize(32, 32));   // auto stop
    EXPECT_TRUE(TForm1::ImageList1(99).isNull());
    EXPECT_TRUE(TForm1::ImageList2(-1).isNull());
}

TEST_F(MainWindow, TimerTipAndEngineComponents)
{
    TForm1* f = openMainWindow(false);
    EXPECT_EQ(f->TimerTip->interval(), 1000);
    EXPECT_TRUE(f->TimerTip->isActive());   // switched on by FormCreate
    EXPECT_NE(f->AudioFile1, nullptr);
    EXPECT_NE(f->AudioFile2, nullptr);
    EXPECT_NE(f->AudioRecord1, nullptr);
    EXPECT_NE(f->AudioPlayer1, nullptr);
    EXPECT_NE(f->AudioInformation1, nullptr);
    EXPECT_NE(f->Mp3LameEncoder, nullptr);
    EXPECT_EQ(f->AudioRecord1->parent(), f);
    EXPECT_EQ(f->AudioPlayer1->parent(), f);
    f->TimerTip->stop();
}

TEST_F(MainWindow, EveryComponentCarriesItsName)
{
    TForm1* f = openMainWindow();
    for (const char* name :
         {"ToolBar1", "ToolBtnOpen", "ToolBtnOptions", "ToolBtnAutostop", "ToolBtnHelp",
          "ToolBtnAbout", "PageControl1", "TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4",
          "Panel2", "Label1", "ComboBox1", "Label3", "ComboBox2", "RadioGroup1",
          "AudioVisualization1", "Label4", "DeviceComboIn", "btnSetFilter", "Label2",
          "DeviceCombo", "chEqualizer", "ToolBtnEqualizer", "ListView1", "Label5", "infoTitle",
          "Label6", "infoArtist", "Label7", "infoAlbum", "Label11", "infoComment", "Label8",
          "infoCopyright", "Label9", "infoYear", "Label10", "infoTrack", "Label12", "infoGenre",
          "infoMTV", "btnReset", "btnApply", "PopupMenu1", "Panel1", "NCTSliderB1",
          "NCTPlayButtonB1", "NCTAmpBar1", "NCTAmpBar2", "NCTTimeDisplay1", "StatusBar1",
          "TimerTip", "AudioRecord1", "AudioPlayer1"})
        EXPECT_NE(f->findChild<QObject*>(name), nullptr) << name;
}
