#pragma once
// The language of the interface. The captions are written in Russian in the sources, and
// Russian is what the program shows without a translation; every other language is a
// translation built into the program (translations/tavrin_<code>.ts, compiled by the build
// into the resource :/translations/tavrin_<code>.qm).
//
// Which one: setup.ini [options] language ("ru", "en", ...; empty or anything the program
// does not have: automatic), else the user's interface languages in their order of
// preference: the first one the program has. No locale set (C, POSIX) means Russian, as the
// program always was; a language without a translation of its own gets English.
//
// The program entry installs the chosen language before it makes any window
// (InstallInterfaceLanguage): the program's translator and Qt's own (qtbase_<code>.qm from
// Qt's translations folder, for the file dialog and the message-box buttons).
#include <QString>
#include <QStringList>

// "ru" first, then the code of every translation built in, in the order of their names.
QStringList InterfaceLanguages();

// The rule on its own. `setting` is the setup.ini value, `uiLanguages` the user's languages in
// their order (QLocale::system().uiLanguages(): "de-DE", "ru", "C", ...), `available` what the
// program has (InterfaceLanguages()).
QString ChooseInterfaceLanguage(const QString& setting, const QStringList& uiLanguages,
                                const QStringList& available);

// setup.ini [options] language as written (trimmed, lower case; "" for automatic).
QString ConfiguredInterfaceLanguage();
void WriteConfiguredInterfaceLanguage(const QString& code);
// The language of this run by the rule: setup.ini and the system's locale.
QString ChosenInterfaceLanguage();

// Replaces the translators of the program and of Qt with those of `code`; "ru" leaves the
// program's texts as written and gives Qt's own dialogs their Russian. Returns false (and
// installs nothing of the program's) when the program has no such translation.
bool InstallInterfaceLanguage(const QString& code);
// The language installed last ("ru" before any).
QString InterfaceLanguage();
// The language's own name, as the settings dialog lists it ("Русский", "English").
QString InterfaceLanguageName(const QString& code);

// A side file in the interface's language: "tips.txt" becomes "tips_en.txt" when that file
// is in the data folder and the interface is English; otherwise the name as given. Returns
// the full path.
QString LocalisedSideFile(const QString& name);
