// The main window's construction: every component made in the order of the form (menus,
// toolbar, the four pages, the transport strip, the status bar, the engine components), the
// connections of their events to the handlers, and the window's size and place.
#include "app/Unit1.h"

#include "app/WindowSight.h"
#include "auxiliary/ProgramIcon.h"
#include "settings/RecordingSettings.h"

#include "engine/DeviceWatch.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/controls/TAudioVisualization2.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"
#include "platform/ui/Guarded.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

QIcon picture(const char* list, int index)
{
    const QString path =
        QStringLiteral(":/icons/%1%2.png").arg(QLatin1String(list)).arg(index, 2, 10, QLatin1Char('0'));
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

QIcon smallPicture(int index)
{
    return picture("small", index);
}

QIcon largePicture(int index)
{
    return picture("large", index);
}

// The automatic-stop button shows a pressed state that only the program sets; a click does
// not toggle it by itself.
class ProgramPressedButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void nextCheckState() override {}
};

// The three panels of the status bar keep their widths; a window narrower than their sum
// cuts off the right end.
class StatusPanels : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return {widthHint, height()}; }
    QSize minimumSizeHint() const override { return {0, minimumHeight()}; }
    int widthHint = 0;
};

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                  int w, int h)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(x, y, w, h);
    return l;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, int x, int y, int w, int h)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(x, y, w, h);
    return e;
}

QComboBox* makeDropDownList(QWidget* parent, const char* name, int x, int y, int w)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setEditable(false);
    c->setGeometry(x, y, w, 21);
    return c;
}

// A radio group: a titled box whose buttons are numbered 0.. in item order, filled column
// by column. The columns share the box evenly, unless a caption needs more: then the next
// column starts after it (a larger font or scale must not run one into the next).
QButtonGroup* fillRadioGroup(QGroupBox* box, const QStringList& items, int columns,
                             int checked)
{
    auto* group = new QButtonGroup(box);
    const int rows = (int(items.size()) + columns - 1) / columns;
    const int top = 16;
    const int innerW = box->width() - 16;
    const int innerH = box->height() - top - 6;
    const int colW = innerW / columns;
    const int rowH = rows > 0 ? innerH / rows : innerH;
    std::vector<QRadioButton*> buttons;
    std::vector<int> widest(std::size_t(columns), 0);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        b->setObjectName(box->objectName() + QString::number(i));
        auto& w = widest[std::size_t(i / rows)];
        w = std::max(w, b->sizeHint().width());
        buttons.push_back(b);
        group->addButton(b, i);
        if (i == checked)
            b->setChecked(true);
    }
    std::vector<int> left(std::size_t(columns) + 1, 8);
    for (int c = 1; c <= columns; ++c)
        left[std::size_t(c)] = std::max(8 + c * colW, left[std::size_t(c - 1)] + widest[std::size_t(c - 1)] + 6);
    for (int i = 0; i < items.size(); ++i) {
        const auto col = std::size_t(i / rows);
        const int x = left[col];
        buttons[std::size_t(i)]->setGeometry(x, top + (i % rows) * rowH, left[col + 1] - 4 - x, rowH);
    }
    return group;
}

} // namespace
TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    Form1 = this;
    Q_INIT_RESOURCE(resources);   // the pictures live in the forms library
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tavrin V 3.7.2"));
    setWindowIcon(ProgramIcon());   // the program's own picture, as in the about box

    buildMenus();
    buildToolBar();
    buildClientArea();
    buildPicturePage();
    buildInputMixerPage();
    buildOutputMixerPage();
    buildFileList();
    buildTagFields();
    buildTransportStrip();
    buildStatusBar();
    makeComponents();
    connectCommands();
    connectControls();
    connectEngineEvents();
    placeWindow();

    runGuarded([this] { FormCreate(); });
}

// Menus, in the order of the main menu, with their pictures and shortcuts.
void TForm1::buildMenus()
{
    auto addItem = [](QMenu* menu, QAction*& item, const char* name, const QString& caption,
                      int picture, const QKeySequence& shortcut = {}) {
        item = menu->addAction(caption);
        item->setObjectName(QLatin1String(name));
        if (picture >= 0)
            item->setIcon(smallPicture(picture));
        if (!shortcut.isEmpty())
            item->setShortcut(shortcut);
    };
    auto addSeparator = [](QMenu* menu, QAction*& item, const char* name) {
        item = menu->addSeparator();
        item->setObjectName(QLatin1String(name));
    };
    QMenuBar* MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    File1 = MainMenu1->addMenu(tr("Файл"));
    File1->setObjectName(QStringLiteral("File1"));
    addItem(File1, Open1, "Open1", tr("Открыть"), 0, QKeySequence(Qt::CTRL | Qt::Key_O));
    addSeparator(File1, N1, "N1");
    addItem(File1, Exit1, "Exit1", tr("Выход"), 10);

    PlayRecord1 = MainMenu1->addMenu(tr("Режим"));
    PlayRecord1->setObjectName(QStringLiteral("PlayRecord1"));
    addItem(PlayRecord1, Record1, "Record1", tr("Запись"), 2, QKeySequence(Qt::CTRL | Qt::Key_R));
    addSeparator(PlayRecord1, N3, "N3");
    addItem(PlayRecord1, Play1, "Play1", tr("Воспроизведение"), 3, QKeySequence(Qt::CTRL | Qt::Key_P));
    addItem(PlayRecord1, Pause1, "Pause1", tr("Пауза"), 9);
    addItem(PlayRecord1, Stop1, "Stop1", tr("Стоп"), 5, QKeySequence(Qt::CTRL | Qt::Key_S));

    Option1 = MainMenu1->addMenu(tr("Настройка", "menu"));
    Option1->setObjectName(QStringLiteral("Option1"));
    addItem(Option1, Options1, "Options1", tr("Микшер вход"), 1);
    addItem(Option1, PlaybackVolumeControls1, "PlaybackVolumeControls1", tr("Микшер выход"), 4);
    addItem(Option1, FileInfo1, "FileInfo1", tr("Инфрмация о файле"), 6);
    addSeparator(Option1, N4, "N4");
    addItem(Option1, Options2, "Options2", tr("Оптимизация"), 11, QKeySequence(Qt::Key_F2));
    addItem(Option1, Trigger1, "Trigger1", tr("Авто старт"), 16);

    Help1 = MainMenu1->addMenu(tr("Помощь"));
    Help1->setObjectName(QStringLiteral("Help1"));
    addItem(Help1, HelpContents2, "HelpContents2", tr("Справка"), 12, QKeySequence(Qt::Key_F1));
    addSeparator(Help1, N2, "N2");
    addItem(Help1, Homepage2, "Homepage2", tr("Домашняя страница"), 13);
    addSeparator(Help1, N5, "N5");
    addItem(Help1, ipoftheDay1, "ipoftheDay1", tr("Совет"), 14);
    addItem(Help1, About1, "About1", tr("О программе"), 15);
}

// The toolbar: text under 32 x 32 pictures; the automatic-stop button shows a pressed state.
void TForm1::buildToolBar()
{
    ToolBar1 = new QToolBar(QStringLiteral("ToolBar1"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->setMinimumHeight(52);
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    auto makeToolButton = [this](QToolButton* b, const char* name, const QString& caption,
                                 const QString& hint, int picture) {
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setToolTip(hint);
        b->setIcon(largePicture(picture));
        b->setIconSize(QSize(32, 32));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setMinimumWidth(54);
        b->setFixedHeight(52);
        b->setFocusPolicy(Qt::NoFocus);
        ToolBar1->addWidget(b);
        return b;
    };
    ToolBtnOpen = makeToolButton(new QToolButton(ToolBar1), "ToolBtnOpen",
                                 tr("Открыть"), tr("Открыть файл"), 0);
    ToolBtnOptions = makeToolButton(new QToolButton(ToolBar1), "ToolBtnOptions",
                                    tr("Настройка"), tr("Настройка"), 4);
    ToolBtnAutostop = makeToolButton(new ProgramPressedButton(ToolBar1), "ToolBtnAutostop",
                                     tr("Авто стоп"), QString(), 7);
    ToolBtnAutostop->setCheckable(true);
    ToolBtnTrigger = makeToolButton(new ProgramPressedButton(ToolBar1), "ToolBtnTrigger", tr("Авто старт"),
                                    QString(), 8);
    ToolBtnTrigger->setCheckable(true);
    {
        auto* ToolButton7 = new QWidget(ToolBar1);
        ToolButton7->setObjectName(QStringLiteral("ToolButton7"));
        ToolButton7->setFixedWidth(80);
        ToolBar1->addWidget(ToolButton7);
    }
    ToolBtnHelp = makeToolButton(new QToolButton(ToolBar1), "ToolBtnHelp",
                                 tr("Помощь"), tr("Справка"), 5);
    ToolBtnAbout = makeToolButton(new QToolButton(ToolBar1), "ToolBtnAbout",
                                  tr("О программе"), tr("О программе"), 6);
}

// The client area: the four pages above the transport strip.
void TForm1::buildClientArea()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);
    setCentralWidget(central);

    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setAccessibleName(tr("Страницы"));
    PageControl1->setIconSize(QSize(16, 16));
    centralLayout->addWidget(PageControl1, 1);

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    TabSheet4 = new QWidget;
    TabSheet4->setObjectName(QStringLiteral("TabSheet4"));
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet1, smallPicture(7), tr("Запись звука"));
    PageControl1->addTab(TabSheet3, smallPicture(1), tr("Микшер входа"));
    PageControl1->addTab(TabSheet4, smallPicture(4), tr("Микшер выхода"));
    PageControl1->addTab(TabSheet2, smallPicture(6), tr("Информация о файле"));
    QFont tabFont = PageControl1->tabBar()->font();
    tabFont.setBold(true);
    // The four captions must fit side by side in the smallest window.
    tabFont.setStretch(QFont::SemiCondensed);
    PageControl1->tabBar()->setFont(tabFont);
    for (int i = 0; i < PageControl1->count(); ++i)
        PageControl1->tabBar()->setTabTextColor(i, QColor(0, 0, 128));   // navy
}

// Page 0: the signal picture and its selectors.
void TForm1::buildPicturePage()
{
    auto* layout = new QHBoxLayout(TabSheet1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Panel2 = new QFrame(TabSheet1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedWidth(225);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    layout->addWidget(Panel2);
    Label1 = makeLabel(Panel2, "Label1", tr("Развёртка"), 8, 16, 92, 21);
    ComboBox1 = makeDropDownList(Panel2, "ComboBox1", 104, 16, 113);
    ComboBox1->addItems({QStringLiteral("256"), QStringLiteral("1024"), QStringLiteral("4096")});
    ComboBox1->setCurrentIndex(1);
    Label1->setBuddy(ComboBox1);
    Label3 = makeLabel(Panel2, "Label3", tr("Формы Win"), 8, 48, 92, 21);
    ComboBox2 = makeDropDownList(Panel2, "ComboBox2", 104, 48, 113);
    ComboBox2->addItems({tr("Нет"), QStringLiteral("Welch"),
                         QStringLiteral("Barlett"), QStringLiteral("Hanning"),
                         QStringLiteral("Hamming")});
    ComboBox2->setCurrentIndex(0);
    Label3->setBuddy(ComboBox2);
    RadioGroup1 = new QGroupBox(tr("Вид панели"), Panel2);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(8, 76, 209, 93);
    RadioGroup1Buttons = fillRadioGroup(
        RadioGroup1,
        {tr("Аналог"), tr("Линейный"), tr("Нормальный"),
         tr("Огонь"), tr("Стекло"), tr("Смесь")},
        2, 2);
    RadioGroup1Buttons->setObjectName(QStringLiteral("RadioGroup1Buttons"));

    AudioVisualization1 = new TAudioVisualization2(TabSheet1);
    AudioVisualization1->setObjectName(QStringLiteral("AudioVisualization1"));
    AudioVisualization1->setToolTip(tr("Экран"));
    layout->addWidget(AudioVisualization1, 1);
}

// Page 1: input device and record filter; the mixer strips are built at run time. Each label
// sits on one line left of its device list; the list starts right after the label (the page's
// resize rule keeps that left edge and fits the width).
void TForm1::buildInputMixerPage()
{
    Label4 = makeLabel(TabSheet3, "Label4", tr("Устройство ввода данных"), 0, 2, 0, 21);
    Label4->resize(Label4->sizeHint().width(), 21);
    DeviceComboIn = makeDropDownList(TabSheet3, "DeviceComboIn",
                                     std::max(72, Label4->width() + 6), 2, 273);
    Label4->setBuddy(DeviceComboIn);
    btnSetFilter = new QPushButton(tr("Фильтр"), TabSheet3);
    btnSetFilter->setObjectName(QStringLiteral("btnSetFilter"));
    btnSetFilter->setGeometry(368, 0, 79, 24);
    // The second input, under the first, and how the two share the file's channels.
    Label13 = makeLabel(TabSheet3, "Label13", tr("Второй вход"), 0, 28, 0, 21);
    Label13->resize(Label13->sizeHint().width(), 21);
    SecondComboIn = makeDropDownList(TabSheet3, "SecondComboIn", DeviceComboIn->x(), 28, 273);
    Label13->setBuddy(SecondComboIn);
    LayoutComboIn = makeDropDownList(TabSheet3, "LayoutComboIn", 368, 28, 79);
    LayoutComboIn->addItems(InputChoices::layoutTexts());
    LayoutComboIn->setToolTip(tr("Оба входа в каждом канале, или первый слева, второй справа"));
}

// Page 2: output device and equaliser; the mixer strips are built at run time.
void TForm1::buildOutputMixerPage()
{
    Label2 = makeLabel(TabSheet4, "Label2", tr("Устройство вывода"), 0, 2, 0, 21);
    Label2->resize(Label2->sizeHint().width(), 21);
    DeviceCombo = makeDropDownList(TabSheet4, "DeviceCombo", std::max(80, Label2->width() + 6),
                                   2, 265);
    Label2->setBuddy(DeviceCombo);
    chEqualizer = new QCheckBox(tr("Эквалайзер"), TabSheet4);
    chEqualizer->setObjectName(QStringLiteral("chEqualizer"));
    chEqualizer->setGeometry(360, 4, 90, 17);
    chEqualizer->setTristate(true);
    chEqualizer->setCheckState(Qt::PartiallyChecked);   // grayed: nothing written yet
    ToolBtnEqualizer = new QPushButton(tr("Эквалайзер..."), TabSheet4);
    ToolBtnEqualizer->setObjectName(QStringLiteral("ToolBtnEqualizer"));
    ToolBtnEqualizer->setGeometry(454, 0, 92, 24);
}

// Page 3: the file list and its context menu.
void TForm1::buildFileList()
{
    ListView1 = new QTreeWidget(TabSheet2);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(tr("Список файлов"));
    ListView1->setGeometry(0, 0, 428, 97);
    ListView1->setColumnCount(4);
    ListView1->setHeaderLabels({QString(), tr("Размер"), tr("Время"),
                                tr("Сохранить дерикторию")});
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSortingEnabled(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setIconSize(QSize(16, 16));
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionsMovable(false);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto addPopupItem = [this](QAction*& item, const char* name, const QString& caption) {
        item = PopupMenu1->addAction(caption);
        item->setObjectName(QLatin1String(name));
        item->setEnabled(false);
    };
    addPopupItem(Play2, "Play2", tr("Воспроизведение"));
    addPopupItem(Rename1, "Rename1", tr("Переименовать"));
    addPopupItem(Delete2, "Delete2", tr("Удалить из списка"));
    addPopupItem(Delete1, "Delete1", tr("Удалить с диска"));
}

// Page 3, under and beside the list: the tag fields, the tag version and their buttons.
void TForm1::buildTagFields()
{
    Label5 = makeLabel(TabSheet2, "Label5", tr("Заголовок:"), 5, 107, 80, 15);
    infoTitle = makeEdit(TabSheet2, "infoTitle", 87, 104, 128, 20);
    Label6 = makeLabel(TabSheet2, "Label6", tr("Артист:"), 5, 131, 80, 15);
    infoArtist = makeEdit(TabSheet2, "infoArtist", 87, 128, 128, 20);
    Label7 = makeLabel(TabSheet2, "Label7", tr("Альбом:"), 5, 155, 80, 15);
    infoAlbum = makeEdit(TabSheet2, "infoAlbum", 87, 152, 128, 20);
    Label11 = makeLabel(TabSheet2, "Label11", tr("Комментарии:"), 1, 180, 85, 15);
    infoComment = makeEdit(TabSheet2, "infoComment", 87, 177, 128, 20);
    Label8 = makeLabel(TabSheet2, "Label8", tr("Автор:"), 226, 104, 60, 15);
    infoCopyright = makeEdit(TabSheet2, "infoCopyright", 287, 103, 133, 20);
    Label9 = makeLabel(TabSheet2, "Label9", tr("год:"), 226, 132, 60, 15);
    infoYear = makeEdit(TabSheet2, "infoYear", 287, 126, 133, 20);
    Label10 = makeLabel(TabSheet2, "Label10", tr("Дорожка:"), 226, 156, 60, 15);
    infoTrack = makeEdit(TabSheet2, "infoTrack", 287, 151, 133, 20);
    Label12 = makeLabel(TabSheet2, "Label12", tr("Стиль:"), 226, 179, 60, 15);
    infoGenre = makeDropDownList(TabSheet2, "infoGenre", 287, 176, 133);
    Label5->setBuddy(infoTitle);
    Label6->setBuddy(infoArtist);
    Label7->setBuddy(infoAlbum);
    Label11->setBuddy(infoComment);
    Label8->setBuddy(infoCopyright);
    Label9->setBuddy(infoYear);
    Label10->setBuddy(infoTrack);
    Label12->setBuddy(infoGenre);

    infoMTV = new QGroupBox(tr("Версия сжатия"), TabSheet2);
    infoMTV->setObjectName(QStringLiteral("infoMTV"));
    infoMTV->setGeometry(456, 12, 105, 61);
    infoMTVButtons = fillRadioGroup(infoMTV, {QStringLiteral("ID3v1"), QStringLiteral("ID3v2")}, 1, 1);
    infoMTVButtons->setObjectName(QStringLiteral("infoMTVButtons"));

    btnReset = new QPushButton(tr("Сброс"), TabSheet2);
    btnReset->setObjectName(QStringLiteral("btnReset"));
    btnReset->setGeometry(485, 143, 93, 25);
    btnReset->setToolTip(tr("Сброс файловой информации"));
    btnReset->setEnabled(false);
    btnApply = new QPushButton(tr("Применить"), TabSheet2);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnApply->setGeometry(485, 173, 93, 25);
    btnApply->setToolTip(tr("Применить инфо файла"));
    btnApply->setEnabled(false);

    // Tab order: title, artist, album, genre, author, year, track, comment, version, reset,
    // apply, list.
    QWidget* order[] = {infoTitle, infoArtist, infoAlbum, infoGenre, infoCopyright, infoYear,
                        infoTrack, infoComment, infoMTVButtons->button(0),
                        infoMTVButtons->button(1), btnReset, btnApply, ListView1};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

// The transport strip under the pages: slider, transport panel, level meters, time display.
void TForm1::buildTransportStrip()
{
    QWidget* client = centralWidget();
    Panel1 = new QFrame(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::NoFrame);
    Panel1->setFixedHeight(65);
    static_cast<QBoxLayout*>(client->layout())->addWidget(Panel1);
    NCTSliderB1 = new TNCTSliderB2(Panel1);
    NCTSliderB1->setObjectName(QStringLiteral("NCTSliderB1"));
    NCTSliderB1->setGeometry(8, 8, 566, 15);
    NCTPlayButtonB1 = new TNCTPlayButtonB2(Panel1);
    NCTPlayButtonB1->setObjectName(QStringLiteral("NCTPlayButtonB1"));
    NCTPlayButtonB1->setGeometry(8, 27, 256, 27);
    NCTPlayButtonB1->setToolTip(tr("Панелька магнитофона"));
    NCTPlayButtonB1->setAccessibleName(NCTPlayButtonB1->toolTip());
    NCTAmpBar1 = new TNCTAmpBar2(Panel1);
    NCTAmpBar1->setObjectName(QStringLiteral("NCTAmpBar1"));
    NCTAmpBar1->setAccessibleName(tr("Уровень левого канала"));
    NCTAmpBar1->setGeometry(271, 28, 153, 21);
    NCTAmpBar2 = new TNCTAmpBar2(Panel1);
    NCTAmpBar2->setObjectName(QStringLiteral("NCTAmpBar2"));
    NCTAmpBar2->setAccessibleName(tr("Уровень правого канала"));
    NCTAmpBar2->setGeometry(271, 43, 153, 13);
    NCTTimeDisplay1 = new TNCTTimeDisplay2(Panel1);
    NCTTimeDisplay1->setObjectName(QStringLiteral("NCTTimeDisplay1"));
    NCTTimeDisplay1->setGeometry(431, 24, 121, 33);
    NCTTimeDisplay1->setToolTip(tr("Time Elapsed"));
}

// The status bar: three panels of fixed width.
void TForm1::buildStatusBar()
{
    QStatusBar* StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    auto* panels = new StatusPanels(StatusBar1);
    panels->setObjectName(QStringLiteral("StatusPanels"));
    // "Recording..." has to fit the 60-pixel state panel.
    QFont panelFont = panels->font();
    panelFont.setStretch(QFont::SemiCondensed);
    panels->setFont(panelFont);
    const int widths[3] = {60, 320, 300};
    const int h = panels->fontMetrics().height() + 6;
    int x = 0;
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(panels);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setGeometry(x, 0, widths[i], h);
        label->setIndent(1);
        StatusPanel[i] = label;
        x += widths[i] + 2;
    }
    panels->widthHint = x;
    panels->setMinimumHeight(h);
    panels->setFixedHeight(h);
    StatusBar1->addWidget(panels, 1);
}

// The components without a window.
void TForm1::makeComponents()
{
    TimerTip = new QTimer(this);
    TimerTip->setObjectName(QStringLiteral("TimerTip"));
    TimerTip->setInterval(1000);
    AudioFile1 = std::make_unique<TAudioFile2>();
    AudioFile2 = std::make_unique<TAudioFile2>();
    AudioRecord1 = new TAudioRecord2(this);
    AudioRecord1->setObjectName(QStringLiteral("AudioRecord1"));
    AudioRecord2 = new TAudioRecord2(this);
    AudioRecord2->setObjectName(QStringLiteral("AudioRecord2"));
    AudioPlayer1 = new TAudioPlayer2(this);
    AudioPlayer1->setObjectName(QStringLiteral("AudioPlayer1"));
    DeviceWatch1 = new DeviceWatch(this);
    DeviceWatch1->setObjectName(QStringLiteral("DeviceWatch1"));
    AudioInformation1 = std::make_unique<TAudioInformation2>();
    Mp3LameEncoder = std::make_unique<TAudioFile2LameEnc>();
    // The recorder's events reach the session through this window's handlers
    // (AudioRecord1Timer, AudioRecord1DeviceError).
    // The second input's events reach it directly.
    RecordInput = std::make_unique<TwoRecorderInput>(*AudioRecord1, *AudioRecord2, false);
    Session = std::make_unique<RecordingSession>(*RecordInput, *AudioFile2, *Mp3LameEncoder, RecordingSettings);
    Inputs = std::make_unique<InputChoices>(*AudioRecord1, *AudioRecord2, *RecordInput, *AudioPlayer1,
                                            RecordingSettings);
    Sight = new WindowSight(*this, this);
}

// Menu items, toolbar and page buttons to their handlers.
void TForm1::connectCommands()
{
    auto onAction = [this](QAction* action, void (TForm1::*handler)()) {
        connect(action, &QAction::triggered, this, guarded([this, handler] { (this->*handler)(); }));
    };
    onAction(Open1, &TForm1::Open1Click);
    onAction(Exit1, &TForm1::Exit1Click);
    onAction(Record1, &TForm1::Record1Click);
    onAction(Play1, &TForm1::Play1Click);
    onAction(Pause1, &TForm1::Pause1Click);
    onAction(Stop1, &TForm1::Stop1Click);
    onAction(Options1, &TForm1::Options1Click);
    onAction(PlaybackVolumeControls1, &TForm1::PlaybackVolumeControls1Click);
    onAction(FileInfo1, &TForm1::FileInfo1Click);
    onAction(Options2, &TForm1::Options2Click);
    onAction(Trigger1, &TForm1::ToolBtnTriggerClick);
    onAction(HelpContents2, &TForm1::HelpContents2Click);
    onAction(Homepage2, &TForm1::Homepage2Click);
    onAction(ipoftheDay1, &TForm1::ipoftheDay1Click);
    onAction(About1, &TForm1::ToolBtnAboutClick);
    onAction(Play2, &TForm1::Play2Click);
    onAction(Rename1, &TForm1::Rename1Click);
    onAction(Delete2, &TForm1::Delete2Click);
    onAction(Delete1, &TForm1::Delete1Click);

    auto onClick = [this](QAbstractButton* button, void (TForm1::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, guarded([this, handler] { (this->*handler)(); }));
    };
    onClick(ToolBtnOpen, &TForm1::Open1Click);
    onClick(ToolBtnOptions, &TForm1::Options2Click);
    onClick(ToolBtnAutostop, &TForm1::ToolBtnAutostopClick);
    onClick(ToolBtnTrigger, &TForm1::ToolBtnTriggerClick);
    onClick(ToolBtnHelp, &TForm1::HelpContents2Click);
    onClick(ToolBtnAbout, &TForm1::ToolBtnAboutClick);
    onClick(btnSetFilter, &TForm1::btnSetFilterClick);
    onClick(chEqualizer, &TForm1::chEqualizerClick);
    onClick(ToolBtnEqualizer, &TForm1::ToolBtnEqualizerClick);
    onClick(btnReset, &TForm1::btnResetClick);
    onClick(btnApply, &TForm1::btnApplyClick);
    // The equaliser switch leaves its grayed state for good once it is on or off.
    connect(chEqualizer, &QCheckBox::stateChanged, this, [this](int state) {
        if (state != Qt::PartiallyChecked)
            chEqualizer->setTristate(false);
    });
}

// Lists, selectors, the file list, the tip timer and the transport strip; resizes and
// double-clicks come through the event filter.
void TForm1::connectControls()
{
    connect(ComboBox1, &QComboBox::activated, this, guarded([this] { ComboBox1Click(); }));
    connect(ComboBox2, &QComboBox::activated, this, guarded([this] { ComboBox2Click(); }));
    connect(RadioGroup1Buttons, &QButtonGroup::idClicked, this, guarded([this] { RadioGroup1Click(); }));
    connect(DeviceCombo, &QComboBox::activated, this, guarded([this] { DeviceComboClick(); }));
    connect(DeviceComboIn, &QComboBox::activated, this, guarded([this] { DeviceComboInClick(); }));
    connect(SecondComboIn, &QComboBox::activated, this, guarded([this] { SecondComboInClick(); }));
    connect(LayoutComboIn, &QComboBox::activated, this, guarded([this] { LayoutComboInClick(); }));
    connect(infoMTVButtons, &QButtonGroup::idClicked, this, guarded([this] { infoMTVClick(); }));

    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, guarded([this] { ListView1SelectItem(); }));
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, guarded([this] { Play1Click(); }));
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
    });

    connect(TimerTip, &QTimer::timeout, this, guarded([this] { TimerTipTimer(); }));

    connect(NCTPlayButtonB1, &TNCTPlayButtonB2::OnMouseClick, this,
            guarded([this](int button) { NCTPlayButtonB1MouseClick(button); }));
    connect(NCTPlayButtonB1, &TNCTPlayButtonB2::OnChangeVolume, this,
            guarded([this](int volume) { NCTPlayButtonB1ChangeVolume(volume); }));
    connect(NCTSliderB1, &TNCTSliderB2::OnMouseDown, this, guarded([this] { NCTSliderB1MouseDown(); }));
    connect(NCTSliderB1, &TNCTSliderB2::OnMouseUp, this, guarded([this] { NCTSliderB1MouseUp(); }));
    connect(NCTSliderB1, &TNCTSliderB2::OnValueChange, this,
            guarded([this](int value) { NCTSliderB1ValueChange(value); }));

    Panel1->installEventFilter(this);
    TabSheet2->installEventFilter(this);
    TabSheet3->installEventFilter(this);
    TabSheet4->installEventFilter(this);
    ListView1->viewport()->installEventFilter(this);   // double-clicks below the rows
}

// The engine components' events.
void TForm1::connectEngineEvents()
{
    connect(AudioPlayer1, &TAudioPlayer2::OnEndArrayPlay, this, guarded([this] { AudioPlayer1EndBlockPlay(); }));
    connect(AudioPlayer1, &TAudioPlayer2::OnRequestOnLoadArray, this,
            guarded([this] { AudioPlayer1RequestOnLoadBlock(); }));
    connect(AudioPlayer1, &TAudioPlayer2::OnEndPlay, this, guarded([this] { AudioPlayer1EndPlay(); }));
    connect(AudioPlayer1, &TAudioPlayer2::OnTimer, this,
            guarded([this](int s, int l, int r) { AudioPlayer1Timer(s, l, r); }));
    connect(AudioRecord1, &TAudioRecord2::OnEndArrayRecord, this,
            guarded([this](int block) { AudioRecord1EndBlockRecord(block); }));
    connect(AudioRecord1, &TAudioRecord2::OnTimer, this,
            guarded([this](int s, int l, int r) { AudioRecord1Timer(s, l, r); }));
    connect(AudioRecord1, &TAudioRecord2::OnDeviceError, this,
            guarded([this](const QString& message) { AudioRecord1DeviceError(message); }));
    connect(AudioPlayer1, &TAudioPlayer2::OnDeviceError, this,
            guarded([this](const QString& message) { AudioPlayer1DeviceError(message); }));
    connect(Sight, &WindowSight::changed, this, guarded([this](bool seen) { WindowSeenChanged(seen); }));
    ConnectSession();
}

// Size and place: the middle of the desktop, page 0 in front.
void TForm1::placeWindow()
{
    setMinimumSize(560, 375);
    resize(598, 428);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.center() - QPoint(width() / 2, height() / 2));
    }
    PageControl1->setCurrentIndex(0);
}

QIcon TForm1::ImageList1(int index)
{
    return smallPicture(index);
}

QIcon TForm1::ImageList2(int index)
{
    return largePicture(index);
}
