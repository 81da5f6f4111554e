#pragma once
#include <QString>
// The program's folder with a trailing "/": where setup.ini, support.ini, tips.txt, the help
// and "Recording/" live. Tests point it at a temporary folder.
QString ProgramFolder();
void setProgramFolderForTests(const QString& folder);  // empty restores the real one
