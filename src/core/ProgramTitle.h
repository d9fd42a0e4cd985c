#pragma once

#include <QString>

// The program's title: window caption and caption of every message box.
inline const QString ProgramTitle = QStringLiteral("Вельтарские весы v1.01");
