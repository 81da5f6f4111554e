// The interface's language: which one a run gets, what installing it changes (the program's
// captions, Qt's own dialogs, the tips and the help), the choice in the settings dialog, and
// the translation files kept complete.
#include "LanguageTestSupport.h"

#include "app/Unit1.h"
#include "auxiliary/tip.h"
#include "platform/Ini.h"
#include "settings/setting.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QGroupBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QXmlStreamReader>

#include <map>

namespace {

TEST(InterfaceLanguageChoice, SetupIniFirstThenTheDesktopsLanguages)
{
    const QStringList have{"ru", "en"};
    struct Case {
        const char* setting;
        QStringList desktop;
        const char* chosen;
    };
    const Case cases[] = {
        {"", {"ru-RU", "ru-Cyrl-RU", "ru"}, "ru"},
        {"", {"C"}, "ru"},                        // no locale set: as the program always was
        {"", {}, "ru"},
        {"", {"en-US", "en"}, "en"},
        {"", {"de-DE", "de"}, "en"},              // no translation of its own yet
        {"", {"de", "ru-RU"}, "ru"},              // the first language the program has
        {"", {"uk-UA", "en-GB"}, "en"},
        {"en", {"ru-RU"}, "en"},
        {" RU ", {"en-US"}, "ru"},
        {"fr", {"ru-RU"}, "ru"},                  // a language it does not have: automatic
        {"garbage", {"de-DE"}, "en"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseInterfaceLanguage(QString::fromUtf8(c.setting), c.desktop, have), c.chosen)
            << c.setting << " / " << c.desktop.join(',').toStdString();
    }
    EXPECT_EQ(InterfaceLanguages(), have);   // Russian, and the English built into the program
}

TEST_F(LanguageTest, EnglishReachesTheWindowsQtsDialogsTheTipsAndTheHelp)
{
    folder.write("setup.ini", "[tips]\nshowtip=0\n");
    folder.write("tips.txt", "Русский совет\n");
    folder.write("tips_en.txt", "An English tip\n");
    use("en");
    TForm1* f = openMainWindow(false);
    f->TimerTip->stop();
    EXPECT_EQ(f->File1->title(), "File");
    EXPECT_EQ(f->Options2->text(), "Settings...");
    EXPECT_EQ(f->PageControl1->tabText(3), "File information");
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), "No Auto stop. ");   // English hints stay as they are
    const QDialogButtonBox qtOwn(QDialogButtonBox::Cancel);
    EXPECT_EQ(qtOwn.button(QDialogButtonBox::Cancel)->text(), "Cancel");
    f->TipForm = new TTipForm(f);
    EXPECT_EQ(f->TipForm->RichEdit1->toPlainText(), "An English tip");
    f->TipForm->close();
    f->HelpContents2->trigger();
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened.last().endsWith("/tavrin.html"));   // no English help in this folder
    folder.write("tavrin_en.html", "<p>Help</p>");
    f->HelpContents2->trigger();
    EXPECT_EQ(shell.opened.last(), folder.file("tavrin_en.html"));
    closeMainWindow();

    // Back in Russian: the captions as written, Qt's own buttons in Russian, the Russian tips.
    use("ru");
    f = openMainWindow(false);
    f->TimerTip->stop();
    EXPECT_EQ(f->File1->title(), "Файл");
    EXPECT_EQ(f->Options2->text(), "Оптимизация");
    EXPECT_EQ(f->PageControl1->tabText(3), "Информация о файле");
    const QDialogButtonBox qtRussian(QDialogButtonBox::Cancel);
    EXPECT_EQ(qtRussian.button(QDialogButtonBox::Cancel)->text(), "Отмена");
    f->TipForm = new TTipForm(f);
    EXPECT_EQ(f->TipForm->RichEdit1->toPlainText(), "Русский совет");
    f->TipForm->close();
}

TEST_F(LanguageTest, TheSettingsDialogKeepsTheChoiceForTheNextStart)
{
    folder.write("setup.ini", "[tips]\nshowtip=0\n");
    TForm1* f = openMainWindow(false);
    f->TimerTip->stop();
    auto openDialog = [&] {
        f->SettingForm = new TSettingForm(f);
        f->SettingForm->show();
        pumpEvents();
        return f->SettingForm.data();
    };
    const IniFile ini(folder.file("setup.ini"));

    TSettingForm* d = openDialog();
    EXPECT_EQ(d->GBLanguage->title(), "Язык (после перезапуска)");
    ASSERT_EQ(d->cbLanguage->count(), 3);
    EXPECT_EQ(d->cbLanguage->currentText(), "Как в системе");
    d->BtnOK->click();   // nothing chosen: the key is not written
    EXPECT_FALSE(ini.KeyExists("options", "language"));

    d = openDialog();
    d->cbLanguage->setCurrentIndex(d->cbLanguage->findText("English"));
    d->BtnOK->click();
    EXPECT_EQ(ini.ReadString("options", "language", "missing"), "en");
    EXPECT_EQ(ChosenInterfaceLanguage(), "en");
    EXPECT_EQ(InterfaceLanguage(), "ru");   // this run keeps its language

    d = openDialog();
    EXPECT_EQ(d->cbLanguage->currentText(), "English");
    d->cbLanguage->setCurrentIndex(0);
    d->BtnOK->click();
    EXPECT_EQ(ini.ReadString("options", "language", "missing"), "");

    folder.write("setup.ini", "[options]\nlanguage=xx\n");   // one it does not have
    d = openDialog();
    EXPECT_EQ(d->cbLanguage->currentIndex(), 0);
    d->BtnCancel->click();
}

// ---- the translation files -------------------------------------------------------------------

struct TsMessage {
    QString translation;
    bool finished = false;
};
using TsMessages = std::map<QString, TsMessage>;   // "context | source | comment"

TsMessages readTs(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    TsMessages messages;
    QXmlStreamReader xml(&file);
    QString context, source, comment;
    TsMessage message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("name"))
                context = xml.readElementText();
            else if (name == QLatin1String("message"))
                source = comment = QString(), message = TsMessage{};
            else if (name == QLatin1String("source"))
                source = xml.readElementText();
            else if (name == QLatin1String("comment"))
                comment = xml.readElementText();
            else if (name == QLatin1String("translation")) {
                const QString type = xml.attributes().value(QLatin1String("type")).toString();
                message.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                message.finished = type.isEmpty() && !message.translation.isEmpty();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            messages[context + " | " + source + " | " + comment] = message;
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return messages;
}

// lupdate over the sources, into a copy of each translation file: every caption of the sources
// must be in the file with a finished translation, and the file must hold nothing else.
TEST(TranslationFiles, HoldEveryCaptionOfTheSourcesTranslatedAndNothingElse)
{
    const QStringList tsFiles = QStringLiteral(TAVRIN_TS_FILES).split(u'|', Qt::SkipEmptyParts);
    ASSERT_FALSE(tsFiles.isEmpty());
    for (const QString& ts : tsFiles) {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("check.ts"));
        ASSERT_TRUE(QFile::copy(ts, copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(TAVRIN_LUPDATE),
                      {QStringLiteral("-no-obsolete"), QStringLiteral("-locations"), QStringLiteral("none"),
                       QStringLiteral("@") + QStringLiteral(TAVRIN_TRANSLATED_SOURCES_LIST),
                       QStringLiteral("-ts"), copy});
        ASSERT_TRUE(lupdate.waitForFinished(120000));
        ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAll().toStdString();

        const TsMessages kept = readTs(ts);
        const TsMessages wanted = readTs(copy);
        QStringList untranslated, stale;
        for (const auto& [key, message] : wanted) {
            if (!message.finished)
                untranslated << key;
        }
        for (const auto& [key, message] : kept) {
            if (!wanted.count(key))
                stale << key;
        }
        EXPECT_TRUE(untranslated.isEmpty())
            << ts.toStdString() << ": without a finished translation (cmake --build build --target "
            << "update_translations, then translate):\n  " << untranslated.join("\n  ").toStdString();
        EXPECT_TRUE(stale.isEmpty()) << ts.toStdString() << ": texts the sources no longer have:\n  "
                                     << stale.join("\n  ").toStdString();
    }
}

} // namespace
