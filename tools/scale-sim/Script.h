#pragma once

#include <QList>
#include <QString>

// A weight scenario: each step holds a weight for a while, either still or
// wobbling as a load does while it settles.
struct ScriptStep {
    double seconds = 0;
    double kg = 0;
    double wobble = 0;  // kg either side of `kg`; 0 for a steady weight
};

struct ScriptParse {
    QList<ScriptStep> steps;
    int errorLine = 0;  // 1-based; 0 when the error belongs to no one line
    QString error;      // empty when the script is good; names the line
    bool ok() const { return error.isEmpty(); }
};

// Lines of "<seconds> <kg> [wobble kg]"; '#' starts a comment; blank lines
// are skipped. The first bad line stops the parse.
ScriptParse ParseScript(const QString& text);

// The scenario played when no script is given: an empty scale, a load that
// settles, leaves, and a second, lighter one.
QString BuiltInScript();
