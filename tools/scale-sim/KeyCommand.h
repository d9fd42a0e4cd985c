#pragma once

#include <QStringView>

// A line the operator typed on the simulator's standard input.
struct KeyCommand {
    enum Kind { Nothing, Hold, Resume, Quit, Unknown };
    Kind kind = Nothing;
    double kg = 0;  // for Hold
};

// "12.5" (or "12,5") holds that weight, "s" resumes the script, "q" quits;
// a blank line does nothing.
KeyCommand ParseKeyLine(QStringView line);
