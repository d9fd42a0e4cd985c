#include "journal/SealFile.h"

#include "core/ErrorText.h"
#include "core/OrdinaryFile.h"
#include "core/TextRules.h"
#include "core/WholeFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>

#include <algorithm>
#include <charconv>

namespace {

constexpr int CodeHexDigits = SealCodeSize * 2;
const QByteArray LineEnd("\r\n");
// A record is far shorter; a longer line is read past, not held.
constexpr qint64 MaxRecordLine = 160;

bool IsLowerHex(QByteArrayView text)
{
    return std::all_of(text.cbegin(), text.cend(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

QDate DayOfText(QByteArrayView text)
{
    if (text.size() != 10)
        return {};
    return QDate::fromString(QString::fromLatin1(text), QStringLiteral("MM-dd-yyyy"));
}

QByteArray DayBytes(const QDate& day)
{
    return day.isValid() ? DateText(day).toLatin1() : QByteArray("-");
}

// A count as the terminal writes it: no sign, no leading zeros.
std::optional<qint64> Count(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 18 || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The record's text without its code: what the code is made over, and what
// the file holds around it.
QByteArray Head(const SealRecord& r)
{
    return QByteArray(1, r.kind) + ' ' + QByteArray::number(r.pos) + ' ' + QByteArray::number(r.length);
}

QByteArray More(const SealRecord& r)
{
    switch (r.kind) {
    case SealLink:
        return DayBytes(r.day) + ' ' + QByteArray::number(r.records);
    case SealNext:
        return DayBytes(r.day);
    case SealGap:
        return QByteArray(1, r.reason);
    default:
        return {};
    }
}

QByteArray Hmac(const QByteArray& key, std::initializer_list<QByteArrayView> parts)
{
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, key);
    for (const QByteArrayView part : parts)
        mac.addData(part.data(), part.size());
    return mac.result();
}

}  // namespace

QString SealFileName(const QString& dataDir, const QDate& date)
{
    return dataDir + DateText(date) + QStringLiteral(".seal");
}

QByteArray DayStartCode(const QByteArray& key, const QDate& date)
{
    return Hmac(key, {QByteArrayView("Veltar journal seal: day "), DayBytes(date)});
}

QByteArray ChainStartCode(const QByteArray& key)
{
    return Hmac(key, {QByteArrayView("Veltar journal seal: start of the chain")});
}

QByteArray RecordCode(const QByteArray& key, const QByteArray& previous, const SealRecord& record,
                      QByteArrayView vouched)
{
    return SealCoder(key).code(previous, record, vouched);
}

QByteArray SealCoder::code(const QByteArray& previous, const SealRecord& record, QByteArrayView vouched)
{
    // The record's text without its code, as Head and More give it, made
    // without allocating for the common line records.
    text_.clear();
    text_ += record.kind;
    char digits[24];
    for (const qint64 value : {record.pos, record.length}) {
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        text_ += ' ';
        text_.append(digits, end - digits);
    }
    if (record.kind == SealLink || record.kind == SealNext || record.kind == SealGap)
        text_ += ' ' + More(record);
    text_ += '\n';
    mac_.reset();
    mac_.addData(previous);
    mac_.addData(text_);
    mac_.addData(vouched.data(), vouched.size());
    return mac_.result();
}

QByteArray SealRecordBytes(const SealRecord& record)
{
    QByteArray bytes = Head(record) + ' ' + record.code.toHex();
    const QByteArray more = More(record);
    if (!more.isEmpty())
        bytes += ' ' + more;
    return bytes + LineEnd;
}

SealRecord ParseSealRecord(QByteArrayView text)
{
    const SealRecord unread;
    // Fields split at single blanks, without copying them.
    QByteArrayView parts[7];
    qsizetype count = 0;
    for (qsizetype start = 0;;) {
        const qsizetype blank = text.indexOf(' ', start);
        if (count == 7)
            return unread;
        parts[count++] = blank < 0 ? text.sliced(start) : text.sliced(start, blank - start);
        if (blank < 0)
            break;
        start = blank + 1;
    }
    if (count < 4 || parts[0].size() != 1)
        return unread;
    SealRecord r;
    r.kind = parts[0][0];
    const auto pos = Count(parts[1]);
    const auto length = Count(parts[2]);
    if (!pos || !length || parts[3].size() != CodeHexDigits || !IsLowerHex(parts[3]))
        return unread;
    r.pos = *pos;
    r.length = *length;
    r.code = QByteArray::fromHex(parts[3].toByteArray());
    switch (r.kind) {
    case SealLink: {
        if (count != 6 || r.length != 0)
            return unread;
        const auto records = Count(parts[5]);
        if (!records)
            return unread;
        r.records = *records;
        if (parts[4] == "-") {
            if (r.records != 0)
                return unread;
        } else {
            r.day = DayOfText(parts[4]);
            if (!r.day.isValid() || r.records == 0)
                return unread;
        }
        return r;
    }
    case SealNext:
        r.day = count == 5 ? DayOfText(parts[4]) : QDate();
        return r.day.isValid() && r.length == 0 ? r : unread;
    case SealGap:
        if (count != 5 || parts[4].size() != 1)
            return unread;
        r.reason = parts[4][0];
        if (r.reason == GapAfterFault)
            return r.length == 0 ? r : unread;
        return (r.reason == GapForeign || r.reason == GapSealsRemoved || r.reason == GapTorn || r.reason == GapBefore) &&
                       r.length > 0 ? r
                                                                                                              : unread;
    case SealWritten:
    case SealStartUp:
    case SealFailed:
        return count == 4 && r.length > 0 && r.length <= MaxJournalLine ? r : unread;
    default:
        return unread;
    }
}

Status SealReader::open(const QString& path)
{
    const QFileInfo info(path);
    exists_ = info.exists() || info.isSymLink();
    if (!exists_)
        return Status::success();
    file_.setFileName(path);
    if (const auto failed = OpenOrdinaryFile(file_, QIODevice::ReadOnly)) {
        failed_ = true;
        failure_ = QStringLiteral("файл печати %1 не открывается: %2").arg(QDir::toNativeSeparators(path), failed->text);
        return Status::failure(ErrorNumber::PathFileAccess, failure_);
    }
    size_ = file_.size();
    return Status::success();
}

bool SealReader::next(SealRecord& record)
{
    if (!file_.isOpen() || failed_)
        return false;
    line_.clear();
    char buffer[MaxRecordLine + 1];
    for (;;) {
        const qint64 room = std::min<qint64>(sizeof buffer, size_ - file_.pos() + 1);
        const qint64 got = room > 1 ? file_.readLine(buffer, room) : 0;
        if (got < 0) {
            failed_ = true;
            failure_ = QStringLiteral("ошибка чтения файла печати %1: %2")
                           .arg(QDir::toNativeSeparators(file_.fileName()), FileErrorText(file_));
            return false;
        }
        if (got == 0) {
            torn_ = !line_.isEmpty();
            return false;
        }
        // Only the start of an overlong line is kept: it reads as damaged anyway.
        if (line_.size() < MaxRecordLine)
            line_.append(buffer, got);
        if (buffer[got - 1] == '\n')
            break;
    }
    whole_ = file_.pos();
    record = line_.endsWith(LineEnd) ? ParseSealRecord(QByteArrayView(line_).chopped(2)) : SealRecord{};
    return true;
}

std::optional<QByteArray> RecordCodeOf(const QString& dataDir, const QDate& day, qint64 n)
{
    SealReader reader;
    if (!reader.open(SealFileName(dataDir, day)).ok() || !reader.exists())
        return std::nullopt;
    SealRecord record;
    for (qint64 k = 1; reader.next(record); ++k) {
        if (k == n)
            return record.kind == 0 ? std::nullopt : std::optional<QByteArray>(record.code);
    }
    return std::nullopt;
}

SealRecord LastSealRecord(const QString& dataDir, const QDate& day)
{
    SealReader reader;
    SealRecord record;
    SealRecord last;
    if (reader.open(SealFileName(dataDir, day)).ok()) {
        while (reader.next(record))
            last = record;
    }
    return last;
}

QString SealHeadFileName(const QString& dataDir)
{
    return dataDir + QStringLiteral("Seal.head");
}

QByteArray SealHeadBytes(const QByteArray& key, const SealHead& head)
{
    QByteArray bytes = "H " + DayBytes(head.firstDay) + ' ' + DayBytes(head.day) + ' ' +
                       QByteArray::number(head.records) + ' ' + QByteArray::number(head.lines) + ' ' +
                       (head.code.isEmpty() ? QByteArray("-") : head.code.toHex()) + LineEnd;
    for (const PendingLine& line : head.pending) {
        bytes += "P " + DayBytes(line.day) + ' ' + QByteArray::number(line.pos) + ' ' +
                 QByteArray::number(line.length) + ' ' + line.code.toHex() + LineEnd;
    }
    const QByteArray mac = Hmac(key, {QByteArrayView("Veltar journal seal: head\n"), bytes});
    return bytes + "M " + mac.toHex() + LineEnd;
}

Result<std::optional<SealHead>> ReadSealHead(const QString& dataDir, const QByteArray& key)
{
    using Read = Result<std::optional<SealHead>>;
    const QString path = SealHeadFileName(dataDir);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return Read::success(std::nullopt);
    const QString shown = QDir::toNativeSeparators(path);
    const auto damaged = [&] {
        return Read::failure(Status::failure(ErrorNumber::BadRecordLength,
                                             QStringLiteral("запись о последней печати %1 повреждена").arg(shown)));
    };
    // Far larger than any real head: it lists at most 2000 pending lines.
    if (info.size() > 512 * 1024)
        return damaged();
    const Result<QByteArray> bytes = ReadWholeFile(path, false);
    if (!bytes.ok())
        return Read::failure(bytes.status);
    const qsizetype macAt = bytes.value.lastIndexOf("M ");
    if (macAt < 0 || !bytes.value.endsWith(LineEnd))
        return damaged();
    const QByteArray body = bytes.value.left(macAt);
    const QByteArray mac = Hmac(key, {QByteArrayView("Veltar journal seal: head\n"), body});
    if (bytes.value.mid(macAt) != "M " + mac.toHex() + LineEnd)
        return damaged();

    SealHead head;
    const QList<QByteArray> lines = body.chopped(body.endsWith(LineEnd) ? 2 : 0).split('\n');
    bool first = true;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QList<QByteArray> f = line.split(' ');
        if (first) {
            if (f.size() != 6 || f[0] != "H")
                return damaged();
            head.firstDay = DayOfText(f[1]);
            head.day = DayOfText(f[2]);
            const auto records = Count(f[3]);
            const auto count = Count(f[4]);
            if (!records || !count)
                return damaged();
            head.records = *records;
            head.lines = *count;
            head.code = f[5] == "-" ? QByteArray() : QByteArray::fromHex(f[5]);
            first = false;
            continue;
        }
        if (f.size() != 5 || f[0] != "P")
            return damaged();
        PendingLine pending;
        pending.day = DayOfText(f[1]);
        const auto pos = Count(f[2]);
        const auto length = Count(f[3]);
        if (!pending.day.isValid() || !pos || !length)
            return damaged();
        pending.pos = *pos;
        pending.length = *length;
        pending.code = QByteArray::fromHex(f[4]);
        head.pending.append(pending);
    }
    if (first)
        return damaged();
    return Read::success(head);
}

std::optional<QString> SaveSealHead(const QString& dataDir, const QByteArray& key, const SealHead& head)
{
    if (const auto failed = SaveWholeFile(SealHeadFileName(dataDir), SealHeadBytes(key, head)))
        return failed->cause;
    return std::nullopt;
}

QString ShortCode(const QByteArray& code)
{
    const QString hex = QString::fromLatin1(code.toHex().left(12));
    return hex.left(4) + u'-' + hex.mid(4, 4) + u'-' + hex.mid(8, 4);
}

QByteArray PendingCode(const QByteArray& key, const QDate& day, qint64 pos, QByteArrayView bytes)
{
    return Hmac(key, {QByteArrayView("Veltar journal seal: pending "), DayBytes(day), QByteArray::number(pos), bytes});
}

QList<QDate> SealedDays(const QString& dataDir)
{
    QList<QDate> days;
    const QStringList names =
        QDir(dataDir).entryList({QStringLiteral("*.seal")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QDate day = name.size() == 15 ? DayOfText(name.left(10).toLatin1()) : QDate();
        if (day.isValid())
            days.append(day);
    }
    std::sort(days.begin(), days.end());
    return days;
}

Result<QByteArray> ReadWholeFile(const QString& path, bool missingIsEmpty)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink() && missingIsEmpty)
        return Result<QByteArray>::success({});
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (const auto failed = OpenOrdinaryFile(file, QIODevice::ReadOnly)) {
        return Result<QByteArray>::failure(Status::failure(
            ErrorNumber::PathFileAccess, QStringLiteral("файл %1 не открывается: %2").arg(shown, failed->text)));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return Result<QByteArray>::failure(Status::failure(
            ErrorNumber::DeviceIo, QStringLiteral("ошибка чтения файла %1: %2").arg(shown, FileErrorText(file))));
    }
    return Result<QByteArray>::success(std::move(bytes));
}

