#include "core/SettingsFile.h"

#include "core/Cp1251.h"
#include "core/DataDirectory.h"
#include "core/ErrorText.h"
#include "core/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <optional>

namespace {

using namespace SettingsLayout;

Status RecordTooLong(int record)
{
    return Status::failure(ErrorNumber::BadRecordLength,
                           QStringLiteral("Неверная длина записи (запись %1 файла настроек)").arg(record));
}

class RecordWriter {
public:
    explicit RecordWriter(QByteArray& bytes) : bytes_(bytes) {}

    bool text(int record, const QString& value)
    {
        const QByteArray encoded = ToCp1251(value);
        if (encoded.size() > MaxTextLength)
            return false;
        put16(record, static_cast<quint16>(encoded.size()));
        std::memcpy(at(record) + 2, encoded.constData(), static_cast<std::size_t>(encoded.size()));
        return true;
    }
    void int16(int record, std::int16_t value) { put16(record, static_cast<quint16>(value)); }
    void real(int record, double value) { qToLittleEndian(value, at(record)); }

private:
    char* at(int record) { return bytes_.data() + (record - 1) * RecordLength; }
    void put16(int record, quint16 value) { qToLittleEndian(value, at(record)); }

    QByteArray& bytes_;
};

class RecordReader {
public:
    explicit RecordReader(const QByteArray& bytes) : bytes_(bytes) {}

    std::optional<QString> text(int record) const
    {
        const quint16 length = get16(record);
        const qsizetype start = offset(record) + 2;
        if (length > MaxTextLength || start + length > bytes_.size())
            return std::nullopt;
        return FromCp1251(bytes_.mid(start, length));
    }
    std::int16_t int16(int record) const { return static_cast<std::int16_t>(get16(record)); }
    double real(int record) const { return qFromLittleEndian<double>(bytes_.constData() + offset(record)); }

private:
    static qsizetype offset(int record) { return static_cast<qsizetype>(record - 1) * RecordLength; }
    quint16 get16(int record) const { return qFromLittleEndian<quint16>(bytes_.constData() + offset(record)); }

    const QByteArray& bytes_;
};

Status FileError(const QFileDevice& file, const QString& path)
{
    const int number = file.error() == QFileDevice::OpenError ? ErrorNumber::PathFileAccess : ErrorNumber::DeviceIo;
    return Status::failure(number, QStringLiteral("Ошибка доступа к файлу %1: %2")
                                       .arg(QDir::toNativeSeparators(path), FileErrorText(file)));
}

// The bytes an older file holds beyond the 13 records; nothing reads them,
// but they are kept.
Result<QByteArray> ReadTail(const QString& path)
{
    QFile file(path);
    if (!file.exists() || file.size() <= FileLength)
        return Result<QByteArray>::success({});
    if (!file.open(QIODevice::ReadOnly) || !file.seek(FileLength))
        return Result<QByteArray>::failure(FileError(file, path));
    QByteArray tail = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Result<QByteArray>::failure(FileError(file, path));
    return Result<QByteArray>::success(std::move(tail));
}

// A free name beside the damaged file, so an earlier damaged copy is kept too.
QString FreeBadName(const QString& path)
{
    QString candidate = path + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = path + QStringLiteral(".bad%1").arg(n);
    return candidate;
}

}  // namespace

Result<QByteArray> EncodeSettings(const TerminalState& state, const QByteArray& previousTail)
{
    QByteArray bytes(FileLength, '\0');
    RecordWriter w(bytes);
    const QString* texts[] = {&state.PortNumber, &state.BaudRate, &state.Parity, &state.DataBits, &state.StopBits};
    for (int record = 1; record <= 5; ++record) {
        if (!w.text(record, *texts[record - 1]))
            return Result<QByteArray>::failure(RecordTooLong(record));
    }
    w.int16(6, state.MinWeightGrams);
    w.int16(7, state.TotalCount);
    w.int16(8, state.DayIndex);
    w.int16(9, state.SumCount);
    w.int16(10, state.SumOn);
    w.real(11, state.SumWeight);
    w.int16(12, state.AutoWeighOn);
    w.int16(13, state.ScaleKind);
    bytes.append(previousTail);
    return Result<QByteArray>::success(std::move(bytes));
}

Status DecodeSettings(const QByteArray& bytes, TerminalState& state)
{
    if (bytes.size() < LoadableLength) {
        return Status::failure(ErrorNumber::BadRecordLength,
                               QStringLiteral("Файл настроек короче %2 байт (%1 байт)")
                                   .arg(bytes.size())
                                   .arg(LoadableLength));
    }
    const RecordReader r(bytes);
    QString* texts[] = {&state.PortNumber, &state.BaudRate, &state.Parity, &state.DataBits, &state.StopBits};
    QString read[5];
    for (int record = 1; record <= 5; ++record) {
        auto text = r.text(record);
        if (!text)
            return RecordTooLong(record);
        read[record - 1] = std::move(*text);
    }
    // A running sum that is no number (NaN) or beyond every number would
    // show as "nan" or "inf" on screen and in the next sum line.
    const double sumWeight = r.real(11);
    if (!std::isfinite(sumWeight)) {
        return Status::failure(ErrorNumber::BadRecordLength,
                               QStringLiteral("Суммарный вес в записи 11 файла настроек не является числом"));
    }
    for (int i = 0; i < 5; ++i)
        *texts[i] = std::move(read[i]);
    state.MinWeightGrams = r.int16(6);
    state.TotalCount = r.int16(7);
    state.DayIndex = r.int16(8);
    state.SumCount = r.int16(9);
    state.SumOn = r.int16(10);
    state.SumWeight = sumWeight;
    state.AutoWeighOn = r.int16(12);
    state.ScaleKind = r.int16(13);
    return Status::success();
}

QString SettingsPath(const Terminal& terminal)
{
    return terminal.dataDir + SettingsFileName;
}

void CheckPath(Terminal& terminal, const QString& path)
{
    TerminalState& s = terminal.state;
    if (path.endsWith(u'/') || path.endsWith(u'\\')) {
        s.FoundName = QDir(path).exists() ? QStringLiteral(".") : QString();
    } else {
        const QFileInfo info(path);
        s.FoundName = info.exists() ? info.fileName() : QString();
    }
    s.PathExists = s.FoundName.isEmpty() ? 0 : 1;
}

Status SaveSettings(Terminal& terminal)
{
    const QString path = SettingsPath(terminal);
    const auto tail = ReadTail(path);
    if (!tail.ok())
        return tail.status;
    const auto bytes = EncodeSettings(terminal.state, tail.value);
    if (!bytes.ok())
        return bytes.status;

    if (const auto failed = SaveWholeFile(path, bytes.value)) {
        return Status::failure(failed->number, QStringLiteral("Ошибка доступа к файлу %1: %2")
                                                   .arg(QDir::toNativeSeparators(path), failed->cause));
    }
    return Status::success();
}

Status LoadSettings(Terminal& terminal)
{
    const QString path = SettingsPath(terminal);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileError(file, path);
    const QByteArray bytes = file.read(FileLength);
    if (file.error() != QFileDevice::NoError)
        return FileError(file, path);
    return DecodeSettings(bytes, terminal.state);
}

Status InitSettings(Terminal& terminal, LastWeighingSource lastWeighing)
{
    CheckPath(terminal, terminal.dataDir);
    if (terminal.state.PathExists != 1) {
        if (!CreateDataDirectory(terminal.dataDir)) {
            return Status::failure(ErrorNumber::PathNotFound,
                                   QStringLiteral("Не удается создать папку %1")
                                       .arg(QDir::toNativeSeparators(terminal.dataDir)));
        }
        SetDefaults(terminal.state);
        return SaveSettings(terminal);
    }

    const QString path = SettingsPath(terminal);
    CheckPath(terminal, path);
    if (terminal.state.PathExists != 1) {
        SetDefaults(terminal.state);
        return SaveSettings(terminal);
    }

    const Status loaded = LoadSettings(terminal);
    if (loaded.ok())
        return loaded;
    // A file that exists but cannot be read at all is not a damaged file:
    // that is a start-up failure like any other.
    if (loaded.number != ErrorNumber::BadRecordLength)
        return loaded;

    const QString badPath = FreeBadName(path);
    if (!QFile::rename(path, badPath)) {
        return Status::failure(ErrorNumber::PathFileAccess,
                               QStringLiteral("Не удается переименовать поврежденный файл настроек %1 в %2")
                                   .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(badPath)));
    }
    SetDefaults(terminal.state);
    // The default count would number the next weighing 1 again, below the
    // lines today's journal already numbers from 1.
    const std::optional<std::int16_t> last = lastWeighing ? lastWeighing(terminal) : std::nullopt;
    if (last)
        terminal.state.DayIndex = *last;
    const Status saved = SaveSettings(terminal);
    if (!saved.ok())
        return saved;
    QString message = QStringLiteral("Файл настроек %1 поврежден (%2).\nОн сохранен как %3, действуют настройки по умолчанию.")
                          .arg(QDir::toNativeSeparators(path), loaded.description, QDir::toNativeSeparators(badPath));
    if (last) {
        message += QStringLiteral("\nНумерация взвешиваний продолжается по журналу за сегодня: последнее записанное "
                                  "взвешивание — №%1.")
                       .arg(*last);
    }
    terminal.panel.message(message);
    return Status::success();
}
