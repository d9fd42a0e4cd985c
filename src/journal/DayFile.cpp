#include "journal/DayFile.h"

#include "core/Cp1251.h"
#include "core/DurableAppend.h"
#include "core/ErrorText.h"
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

    if (const auto failed = AppendDurably(s.DayFileOpenPath, terminal.dataDir, ToCp1251(text + QStringLiteral("\r\n"))))
        return FileError(failed->number, s.DayFileOpenPath, failed->cause);
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

void ContinueDayNumbering(Terminal& terminal)
{
    const std::optional<std::int16_t> last = LastWeighingNumber(terminal);
    if (last && *last > terminal.state.DayIndex)
        terminal.state.DayIndex = *last;
}
