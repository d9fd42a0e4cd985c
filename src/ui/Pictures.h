#pragma once

#include <QPixmap>

// The about picture (331 x 239) and the window icon (98 x 100), drawn rather
// than shipped, so the sources carry no binary files.
QPixmap AboutPicture();
QPixmap ProgramIcon();
