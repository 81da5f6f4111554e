// How a caption is written, so that it reaches every language:
//   - in a member function of a class with Q_OBJECT: tr("Русский текст");
//   - anywhere else: QCoreApplication::translate("Context", "Русский текст"), the context
//     being the class or area the text belongs to; a text kept in a table is marked with
//     QT_TRANSLATE_NOOP("Context", "Русский текст") and translated where it is shown.
// The Russian text is the source text, exactly as the interface shows it. Then
// `cmake --build build --target update_translations` takes the new texts into
// translations/tavrin_*.ts, where each one gets its translation (Qt Linguist or any editor);
// the test test_language fails while a text has none. Messages the program raises in English
// (exceptions, notices) are not captions and stay as they are.
#include "settings/InterfaceLanguage.h"

#include "platform/ProgramFolder.h"
#include "settings/SetupIni.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace {

const QString kSourceLanguage = QStringLiteral("ru");
const QString kFallbackLanguage = QStringLiteral("en");
// Where the build puts the compiled translations (qt_add_translations in CMakeLists.txt).
const QString kTranslationsFolder = QStringLiteral(":/translations/");
const QString kTranslationPrefix = QStringLiteral("tavrin_");

struct Installed {
    std::unique_ptr<QTranslator> program;
    std::unique_ptr<QTranslator> qt;
    QString code = kSourceLanguage;
};

Installed& installed()
{
    static Installed state;
    return state;
}

void removeTranslator(std::unique_ptr<QTranslator>& translator)
{
    if (translator)
        QCoreApplication::removeTranslator(translator.get());
    translator.reset();
}

std::unique_ptr<QTranslator> loadTranslator(const QString& file, const QString& folder = {})
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file, folder) || !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

// "ru-Cyrl-RU", "de_DE.UTF-8", "C" -> "ru", "de", "c".
QString languageOf(const QString& tag)
{
    qsizetype end = 0;
    while (end < tag.size() && tag.at(end).isLetter())
        ++end;
    return tag.left(end).toLower();
}

} // namespace

QStringList InterfaceLanguages()
{
    QStringList codes{kSourceLanguage};
    const QStringList files = QDir(kTranslationsFolder)
                                  .entryList({kTranslationPrefix + QStringLiteral("*.qm")},
                                             QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QString code = file.mid(kTranslationPrefix.size(), file.size() - kTranslationPrefix.size() - 3);
        if (!code.isEmpty() && !codes.contains(code))
            codes << code;
    }
    return codes;
}

QString ChooseInterfaceLanguage(const QString& setting, const QStringList& uiLanguages,
                                const QStringList& available)
{
    const QString wanted = setting.trimmed().toLower();
    if (!wanted.isEmpty() && available.contains(wanted))
        return wanted;
    for (const QString& tag : uiLanguages) {
        const QString language = languageOf(tag);
        if (language.isEmpty() || language == QLatin1String("c") || language == QLatin1String("posix"))
            return kSourceLanguage;   // no locale set: the program as it always was
        if (available.contains(language))
            return language;
    }
    if (uiLanguages.isEmpty() || !available.contains(kFallbackLanguage))
        return kSourceLanguage;
    return kFallbackLanguage;
}

QString ConfiguredInterfaceLanguage()
{
    return ReadSetupText(SetupKeyId::Language).trimmed().toLower();
}

void WriteConfiguredInterfaceLanguage(const QString& code)
{
    WriteSetupText(SetupKeyId::Language, code);
}

QString ChosenInterfaceLanguage()
{
    return ChooseInterfaceLanguage(ConfiguredInterfaceLanguage(), QLocale::system().uiLanguages(),
                                   InterfaceLanguages());
}

bool InstallInterfaceLanguage(const QString& code)
{
    Installed& state = installed();
    removeTranslator(state.program);
    removeTranslator(state.qt);
    state.code = kSourceLanguage;
    bool found = code == kSourceLanguage;
    if (!found) {
        state.program = loadTranslator(kTranslationsFolder + kTranslationPrefix + code + QStringLiteral(".qm"));
        found = state.program != nullptr;
    }
    if (found)
        state.code = code;
    // Qt's own texts (file dialog, message-box buttons) from Qt's translations, where the
    // system has them.
    state.qt = loadTranslator(QStringLiteral("qtbase_") + state.code,
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return found;
}

QString InterfaceLanguage()
{
    return installed().code;
}

QString InterfaceLanguageName(const QString& code)
{
    if (code == kSourceLanguage)
        return QStringLiteral("Русский");
    if (code == QLatin1String("en"))
        return QStringLiteral("English");
    QString name = QLocale(code).nativeLanguageName();
    if (!name.isEmpty())
        name[0] = name.at(0).toUpper();
    return name.isEmpty() ? code : name;
}

QString LocalisedSideFile(const QString& name)
{
    const QString folder = Locations().dataFolder;
    const QString code = InterfaceLanguage();
    if (code != kSourceLanguage) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString base = dot < 0 ? name : name.left(dot);
        const QString extension = dot < 0 ? QString() : name.mid(dot);
        // A language without a file of its own reads the English one.
        for (const QString& candidate : {code, kFallbackLanguage}) {
            const QString localised = base + QLatin1Char('_') + candidate + extension;
            if (QFile::exists(folder + localised))
                return folder + localised;
        }
    }
    return folder + name;
}
