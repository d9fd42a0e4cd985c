#include "journal/DayFile.h"

#include "core/Cp1251.h"
#include "core/TextRules.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

Status FileError(const QFile& file, const QString& path)
{
    int number = ErrorNumber::DeviceIo;
    if (file.error() == QFileDevice::OpenError)
        number = file.exists() ? ErrorNumber::PathFileAccess : ErrorNumber::FileNotFound;
    return Status::failure(number, QStringLiteral("Ошибка доступа к файлу %1 (%2)")
                                       .arg(QDir::toNativeSeparators(path), file.errorString()));
}

// QFile::flush() only empties Qt's buffer into the kernel; this asks the
// kernel to put the bytes on the disk.
bool SyncToDisk(QFile& file)
{
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

}  // namespace

QString DayFileName(const QString& dataDir, const QDate& date)
{
    return dataDir + DateText(date) + QStringLiteral(".txt");
}

Status AppendDayFileLine(Terminal& terminal, const QString& text)
{
    TerminalState& s = terminal.state;
    s.DayFileOpenPath = DayFileName(terminal.dataDir, terminal.clock.currentDate());

    // QSaveFile would rewrite the whole journal for every line; appending one
    // write of the whole line keeps the earlier lines untouched.
    QFile file(s.DayFileOpenPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return FileError(file, s.DayFileOpenPath);
    const QByteArray bytes = ToCp1251(text + QStringLiteral("\r\n"));
    if (file.write(bytes) != bytes.size() || !file.flush() || !SyncToDisk(file))
        return FileError(file, s.DayFileOpenPath);
    file.close();
    return Status::success();
}

Status LoadDayFile(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    s.DayFileOpenPath = DayFileName(terminal.dataDir, terminal.clock.currentDate());

    QFile file(s.DayFileOpenPath);
    if (!file.open(QIODevice::ReadOnly))
        return FileError(file, s.DayFileOpenPath);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return FileError(file, s.DayFileOpenPath);
    s.JournalText = FromCp1251(bytes);
    return Status::success();
}
