#pragma once
// The program's own picture (the one the desktop shows for it), at every size drawn for it.
#include <QIcon>

QIcon ProgramIcon();
