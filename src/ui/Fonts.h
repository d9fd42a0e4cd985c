#pragma once

#include <QFont>

// The window's two faces: a plain sans-serif (where the layout names
// "MS Sans Serif") and a serif (where it names "Times New Roman"), in the
// sizes given in points. Each falls back to what the platform has.
QFont SansFont(double points);
QFont SerifFont(double points);

// The printed report's face, one width for every character.
QFont MonoFont(double points);
