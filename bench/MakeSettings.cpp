// Writes a settings file with the factory defaults and the given scale kind,
// so that a measured run of the terminal can start on the AED without anyone
// choosing it in the dialog.
//
//   veltar-bench-settings DATA_DIR veltar|aed

#include "core/SettingsFile.h"
#include "core/TerminalState.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[2], "veltar") != 0 && std::strcmp(argv[2], "aed") != 0)) {
        std::fprintf(stderr, "usage: veltar-bench-settings DATA_DIR veltar|aed\n");
        return 2;
    }
    TerminalState state;
    SetDefaults(state);
    state.ScaleKind = std::strcmp(argv[2], "aed") == 0 ? ScaleKindAed : ScaleKindVeltar;
    const auto bytes = EncodeSettings(state, {});
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QFile file(QDir(dir).filePath(SettingsFileName));
    if (!bytes.ok() || !QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly) ||
        file.write(bytes.value) != bytes.value.size()) {
        std::fprintf(stderr, "veltar-bench-settings: cannot write %s\n", qPrintable(file.fileName()));
        return 1;
    }
    return 0;
}
