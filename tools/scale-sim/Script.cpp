#include "scale-sim/Script.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {

// A wobble finer than the frame's last digit would not change the text the
// terminal sees, and a weighing would look steady after all.
constexpr double MinWobble = 0.01;

// Wide enough for any real scale while keeping arithmetic in whole cents exact.
constexpr double MaxKg = 1e9;

bool ReadNumber(const QString& field, double& value)
{
    bool ok = false;
    value = field.toDouble(&ok);
    return ok && std::isfinite(value);
}

}  // namespace

ScriptParse ParseScript(const QString& text)
{
    ScriptParse result;
    const QStringList lines = text.split(u'\n');
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        auto fail = [&](const QString& message) {
            result.steps.clear();
            result.errorLine = lineNumber;
            result.error = QStringLiteral("line %1: %2").arg(lineNumber).arg(message);
            return result;
        };

        QString line = lines[i];
        const qsizetype hash = line.indexOf(u'#');
        if (hash >= 0)
            line.truncate(hash);
        const QStringList fields = line.split(blanks, Qt::SkipEmptyParts);
        if (fields.isEmpty())
            continue;
        if (fields.size() < 2 || fields.size() > 3)
            return fail(QStringLiteral("expected <seconds> <kg> [wobble kg], got \"%1\"").arg(line.trimmed()));

        ScriptStep step;
        double* targets[] = {&step.seconds, &step.kg, &step.wobble};
        for (qsizetype f = 0; f < fields.size(); ++f) {
            if (!ReadNumber(fields[f], *targets[f]))
                return fail(QStringLiteral("\"%1\" is not a number").arg(fields[f]));
        }
        if (step.seconds <= 0)
            return fail(QStringLiteral("the duration must be more than 0 seconds"));
        // A year is plenty; beyond that the tick count would overflow.
        if (step.seconds > 365.0 * 24 * 3600)
            return fail(QStringLiteral("the duration must be at most a year (31536000 seconds)"));
        if (std::fabs(step.kg) > MaxKg)
            return fail(QStringLiteral("the weight is out of range"));
        if (step.wobble < 0 || (step.wobble > 0 && step.wobble < MinWobble) || step.wobble > MaxKg)
            return fail(QStringLiteral("the wobble must be 0 or from 0.01 kg up"));
        result.steps.append(step);
    }
    if (result.steps.isEmpty())
        result.error = QStringLiteral("the script holds no steps");
    return result;
}

QString BuiltInScript()
{
    return QStringLiteral(
        "# seconds  kg    wobble\n"
        "3          0           # empty\n"
        "1          12.5  0.8   # a load arrives and settles\n"
        "3          12.5        # steady: a weighing\n"
        "3          0           # taken off\n"
        "1          7.3   0.5   # a second load arrives\n"
        "3          7.3         # steady\n"
        "3          0           # empty again\n");
}
