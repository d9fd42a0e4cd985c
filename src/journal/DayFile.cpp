#include "journal/DayFile.h"

#include "core/Cp1251.h"
#include "core/DiskSync.h"
#include "core/ErrorText.h"
#include "core/HeldFileRetry.h"
#include "core/OrdinaryFile.h"
#include "core/TextRules.h"
#include "journal/DayFileText.h"
#include "journal/JournalLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

Status FileError(int number, const QString& path, const QString& cause)
{
    return Status::failure(number,
                           QStringLiteral("Ошибка доступа к файлу %1: %2").arg(QDir::toNativeSeparators(path), cause));
}

Status FileError(const QFile& file, const QString& path)
{
    int number = ErrorNumber::DeviceIo;
    if (file.error() == QFileDevice::OpenError)
        number = file.exists() ? ErrorNumber::PathFileAccess : ErrorNumber::FileNotFound;
    return FileError(number, path, FileErrorText(file));
}

Status OpenError(const OpenFailure& failure, const QString& path)
{
    return FileError(QFileInfo::exists(path) ? ErrorNumber::PathFileAccess : ErrorNumber::FileNotFound, path,
                     failure.text);
}

Result<QString> ReadDayFile(const QString& path)
{
    QFile file(path);
    if (const auto failed = OpenOrdinaryFile(file, QIODevice::ReadOnly))
        return Result<QString>::failure(OpenError(*failed, path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Result<QString>::failure(FileError(file, path));
    return Result<QString>::success(DayFileText(bytes));
}

}  // namespace

QString DayFileName(const QString& dataDir, const QDate& date)
{
    return dataDir + DateText(date) + QStringLiteral(".txt");
}

Status AppendDayFileLine(Terminal& terminal, const QString& text)
{
    return AppendDayFileLine(terminal, text, terminal.clock.currentDate());
}

Status AppendDayFileLine(Terminal& terminal, const QString& text, const QDate& date)
{
    TerminalState& s = terminal.state;
    s.DayFileOpenPath = DayFileName(terminal.dataDir, date);

    // QSaveFile would rewrite the whole journal for every line; appending one
    // write of the whole line keeps the earlier lines untouched.
    const bool newFile = !QFileInfo::exists(s.DayFileOpenPath);
    QFile file(s.DayFileOpenPath);
    for (HeldFileRetry retry;;) {
        const auto failed = OpenOrdinaryFile(file, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        if (!failed)
            break;
        if (!MayPassSoon(file) || !retry.again())
            return OpenError(*failed, s.DayFileOpenPath);
    }
    const qint64 sizeBefore = file.size();
    const QByteArray bytes = ToCp1251(text + QStringLiteral("\r\n"));
    Status failed;
    if (file.write(bytes) != bytes.size())
        failed = FileError(file, s.DayFileOpenPath);
    else if (const std::optional<QString> why = SyncFileToDisk(file))
        failed = FileError(ErrorNumber::DeviceIo, s.DayFileOpenPath, *why);
    if (!failed.ok()) {
        // Part of a line would glue the next one onto it: cut it off again.
        if (file.size() > sizeBefore)
            file.resize(sizeBefore);
        return failed;
    }
    file.close();
    // A new file's name reaches the disk with its directory.
    if (newFile)
        SyncDirectory(terminal.dataDir);
    return Status::success();
}

Status LoadDayFile(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    s.DayFileOpenPath = DayFileName(terminal.dataDir, terminal.clock.currentDate());

    Result<QString> text = ReadDayFile(s.DayFileOpenPath);
    if (!text.ok())
        return text.status;
    s.JournalText = std::move(text.value);
    return Status::success();
}

std::optional<std::int16_t> LastWeighingNumber(const Terminal& terminal)
{
    const Result<QString> text = ReadDayFile(DayFileName(terminal.dataDir, terminal.clock.currentDate()));
    if (!text.ok())
        return std::nullopt;
    const QList<QStringView> lines = QStringView(text.value).split(u'\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const std::optional<int> number = WeighingLineNumber(*line);
        if (number && *number >= 1 && *number <= WeighingRecords::Last)
            return static_cast<std::int16_t>(*number);
    }
    return std::nullopt;
}
