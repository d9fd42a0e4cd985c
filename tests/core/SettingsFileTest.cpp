#include "core/SettingsFile.h"

#include "support/DefaultsExpected.h"
#include "support/FakeClock.h"
#include "support/FakeOperatorPanel.h"
#include "support/FakeSerialPort.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// The settings file as written with the factory defaults, byte by byte.
QByteArray DefaultFileBytes()
{
    QByteArray b(650, '\0');
    auto put = [&b](int record, std::initializer_list<unsigned char> bytes) {
        int at = (record - 1) * 50;
        for (const unsigned char x : bytes)
            b[at++] = static_cast<char>(x);
    };
    put(1, {0x01, 0x00, 0x31});
    put(2, {0x04, 0x00, 0x39, 0x36, 0x30, 0x30});
    put(3, {0x01, 0x00, 0x6E});
    put(4, {0x01, 0x00, 0x38});
    put(5, {0x01, 0x00, 0x31});
    put(6, {0xC8, 0x00});
    put(12, {0x01, 0x00});
    put(13, {0x01, 0x00});
    return b;
}

void Put(QByteArray& bytes, int offset, const QByteArray& value)
{
    bytes.replace(offset, value.size(), value);
}

// Values that differ from every default, to see whether a step replaced them.
void SetNonDefaults(TerminalState& s)
{
    s.PortNumber = QStringLiteral("4");
    s.BaudRate = QStringLiteral("1200");
    s.Parity = QStringLiteral("e");
    s.DataBits = QStringLiteral("7");
    s.StopBits = QStringLiteral("2");
    s.MinWeightGrams = 1000;
    s.TotalCount = 17;
    s.DayIndex = 5;
    s.SumCount = 2;
    s.SumOn = 1;
    s.SumWeight = 3.25;
    s.AutoWeighOn = 0;
    s.ScaleKind = ScaleKindAed;
}

class SettingsFileTest : public ::testing::Test {
protected:
    Terminal TerminalAt(const QString& dataDir) { return Terminal{TerminalState{}, Display{}, port, clock, panel, dataDir}; }

    FakeSerialPort port;
    FakeClock clock;
    FakeOperatorPanel panel;
    TempDataDir dir;
};

}  // namespace

TEST_F(SettingsFileTest, InitSettingsCreatesTheDirectoryAndTheDefaultFile)
{
    const QString nested = dir.path() + QStringLiteral("Program Files/Orvalta/");
#ifdef Q_OS_WIN
    // Windows makes one level, its Program Files being always there;
    // elsewhere the XDG data home of a fresh account may be missing too.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Program Files")));
#endif
    Terminal t = TerminalAt(nested);
    SetNonDefaults(t.state);
    const Status status = InitSettings(t);
    ASSERT_TRUE(status.ok()) << status.description.toStdString();
    EXPECT_TRUE(QFileInfo(nested).isDir());
    const QByteArray written = dir.read(QStringLiteral("Program Files/Orvalta/System.eng"));
    EXPECT_EQ(written.size(), 650);
    EXPECT_EQ(written, DefaultFileBytes());
    ExpectDefaults(t.state);
    EXPECT_TRUE(panel.messages.isEmpty());
}

TEST_F(SettingsFileTest, InitSettingsCreatesTheDefaultFileInAnExistingDirectory)
{
    dir.write(QStringLiteral("other.txt"), "keep");
    Terminal t = TerminalAt(dir.path());
    SetNonDefaults(t.state);
    ASSERT_TRUE(InitSettings(t).ok());
    EXPECT_EQ(dir.read(QStringLiteral("System.eng")), DefaultFileBytes());
    EXPECT_EQ(dir.read(QStringLiteral("other.txt")), QByteArray("keep"));
    ExpectDefaults(t.state);
    EXPECT_TRUE(panel.messages.isEmpty());
}

TEST_F(SettingsFileTest, InitSettingsLoadsAnExistingFileAsItIs)
{
    QByteArray file = DefaultFileBytes();
    Put(file, 50, QByteArray("\x05\x00" "19200", 7));       // BaudRate "19200"
    Put(file, 250, QByteArray("\xF4\x01", 2));              // MinWeightGrams 500
    Put(file, 300, QByteArray("\xFF\x7F", 2));              // TotalCount 32767
    Put(file, 350, QByteArray("\x0C\x00", 2));              // DayIndex 12
    Put(file, 400, QByteArray("\x03\x00", 2));              // SumCount 3
    Put(file, 450, QByteArray("\xFF\xFF", 2));              // SumOn -1
    Put(file, 500, QByteArray("\x00\x00\x00\x00\x00\x00\x29\x40", 8));  // SumWeight 12.5
    Put(file, 550, QByteArray("\xFF\xFF", 2));              // AutoWeighOn -1
    Put(file, 600, QByteArray("\x02\x00", 2));              // ScaleKind 2
    Put(file, 57, QByteArray("junk after the value"));      // readers ignore the rest of a record
    dir.write(QStringLiteral("System.eng"), file);

    Terminal t = TerminalAt(dir.path());
    const Status status = InitSettings(t);
    ASSERT_TRUE(status.ok()) << status.description.toStdString();
    const TerminalState& s = t.state;
    EXPECT_EQ(s.PortNumber, QStringLiteral("1"));
    EXPECT_EQ(s.BaudRate, QStringLiteral("19200"));
    EXPECT_EQ(s.Parity, QStringLiteral("n"));
    EXPECT_EQ(s.MinWeightGrams, 500);
    EXPECT_EQ(s.TotalCount, 32767);
    EXPECT_EQ(s.DayIndex, 12);
    EXPECT_EQ(s.SumCount, 3);
    EXPECT_EQ(s.SumOn, -1);
    EXPECT_EQ(s.SumWeight, 12.5);
    EXPECT_EQ(s.AutoWeighOn, -1);
    EXPECT_EQ(s.ScaleKind, ScaleKindAed);
    EXPECT_EQ(s.AutoStep, 0);
    // Loading leaves the file alone and tells the operator nothing.
    EXPECT_EQ(dir.read(QStringLiteral("System.eng")), file);
    EXPECT_TRUE(panel.messages.isEmpty());

    ASSERT_TRUE(SaveSettings(t).ok());
    const QByteArray saved = dir.read(QStringLiteral("System.eng"));
    ASSERT_EQ(saved.size(), 650);
    EXPECT_EQ(saved.mid(50, 7), QByteArray("\x05\x00" "19200", 7));
    EXPECT_EQ(saved.mid(250, 2), QByteArray("\xF4\x01", 2));
    EXPECT_EQ(saved.mid(450, 2), QByteArray("\xFF\xFF", 2));
    EXPECT_EQ(saved.mid(500, 8), QByteArray("\x00\x00\x00\x00\x00\x00\x29\x40", 8));
    EXPECT_EQ(saved.mid(600, 2), QByteArray("\x02\x00", 2));
}

TEST_F(SettingsFileTest, SaveAndLoadRoundTrip)
{
    Terminal t = TerminalAt(dir.path());
    SetNonDefaults(t.state);
    t.state.PortNumber = QStringLiteral("ком");  // stored as Windows-1251
    t.state.SumWeight = 0.1 + 0.2;
    t.state.TotalCount = -32768;
    ASSERT_TRUE(SaveSettings(t).ok());

    const QByteArray file = dir.read(QStringLiteral("System.eng"));
    ASSERT_EQ(file.size(), 650);
    EXPECT_EQ(file.left(5), QByteArray("\x03\x00\xEA\xEE\xEC", 5));
    EXPECT_EQ(file.mid(300, 2), QByteArray("\x00\x80", 2));
    EXPECT_EQ(file.mid(5, 45), QByteArray(45, '\0'));  // the rest of the record

    Terminal back = TerminalAt(dir.path());
    ASSERT_TRUE(LoadSettings(back).ok());
    EXPECT_EQ(back.state.PortNumber, QStringLiteral("ком"));
    EXPECT_EQ(back.state.BaudRate, t.state.BaudRate);
    EXPECT_EQ(back.state.Parity, t.state.Parity);
    EXPECT_EQ(back.state.DataBits, t.state.DataBits);
    EXPECT_EQ(back.state.StopBits, t.state.StopBits);
    EXPECT_EQ(back.state.MinWeightGrams, t.state.MinWeightGrams);
    EXPECT_EQ(back.state.TotalCount, -32768);
    EXPECT_EQ(back.state.DayIndex, t.state.DayIndex);
    EXPECT_EQ(back.state.SumCount, t.state.SumCount);
    EXPECT_EQ(back.state.SumOn, t.state.SumOn);
    EXPECT_EQ(back.state.SumWeight, 0.1 + 0.2);  // bit for bit
    EXPECT_EQ(back.state.AutoWeighOn, t.state.AutoWeighOn);
    EXPECT_EQ(back.state.ScaleKind, t.state.ScaleKind);
}

TEST_F(SettingsFileTest, SavingKeepsBytesBeyondTheRecords)
{
    QByteArray old = DefaultFileBytes();
    QByteArray tail;
    for (int i = 0; i < 50; ++i)
        tail.append(static_cast<char>(0xA0 + i));
    old.append(tail);
    dir.write(QStringLiteral("System.eng"), old);

    Terminal t = TerminalAt(dir.path());
    ASSERT_TRUE(InitSettings(t).ok());
    t.state.DayIndex = 3;
    ASSERT_TRUE(SaveSettings(t).ok());
    ASSERT_TRUE(SaveSettings(t).ok());  // and again: the tail is not doubled

    const QByteArray saved = dir.read(QStringLiteral("System.eng"));
    ASSERT_EQ(saved.size(), 700);
    EXPECT_EQ(saved.mid(650), tail);
    EXPECT_EQ(saved.mid(350, 2), QByteArray("\x03\x00", 2));
    QByteArray expected = DefaultFileBytes();
    Put(expected, 350, QByteArray("\x03\x00", 2));
    EXPECT_EQ(saved.left(650), expected);
}

TEST_F(SettingsFileTest, TextLengthLimitOfFortyEightBytes)
{
    Terminal t = TerminalAt(dir.path());
    ASSERT_TRUE(InitSettings(t).ok());
    const QByteArray before = dir.read(QStringLiteral("System.eng"));

    // 49 bytes: refused, the file stays as it was.
    t.state.BaudRate = QString(49, u'9');
    const Status tooLong = SaveSettings(t);
    EXPECT_FALSE(tooLong.ok());
    EXPECT_NE(tooLong.number, 0);
    EXPECT_FALSE(tooLong.description.isEmpty());
    EXPECT_EQ(dir.read(QStringLiteral("System.eng")), before);
    EXPECT_FALSE(EncodeSettings(t.state, {}).ok());

    // 48 Cyrillic letters are 48 bytes in the file, so they fit.
    t.state.BaudRate = QString(48, u'ж');
    const Status fits = SaveSettings(t);
    ASSERT_TRUE(fits.ok()) << fits.description.toStdString();
    const QByteArray saved = dir.read(QStringLiteral("System.eng"));
    ASSERT_EQ(saved.size(), 650);
    EXPECT_EQ(saved.mid(50, 2), QByteArray("\x30\x00", 2));
    EXPECT_EQ(saved.mid(52, 48), QByteArray(48, '\xE6'));
    EXPECT_EQ(saved.mid(100, 3), QByteArray("\x01\x00n", 3));  // record 3 untouched by it

    Terminal back = TerminalAt(dir.path());
    ASSERT_TRUE(LoadSettings(back).ok());
    EXPECT_EQ(back.state.BaudRate, QString(48, u'ж'));

    // The last text record is checked as well.
    t.state.StopBits = QString(49, u'1');
    EXPECT_FALSE(SaveSettings(t).ok());
    EXPECT_EQ(dir.read(QStringLiteral("System.eng")), saved);
}

TEST_F(SettingsFileTest, DecodeSettingsIsAllOrNothing)
{
    TerminalState s;
    SetNonDefaults(s);
    const TerminalState before = s;

    QByteArray bytes = DefaultFileBytes();
    Put(bytes, 100, QByteArray("\x31\x00", 2));  // Parity claims 49 bytes
    const Status status = DecodeSettings(bytes, s);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.number, 0);
    EXPECT_EQ(s.PortNumber, before.PortNumber);
    EXPECT_EQ(s.BaudRate, before.BaudRate);
    EXPECT_EQ(s.Parity, before.Parity);
    EXPECT_EQ(s.MinWeightGrams, before.MinWeightGrams);
    EXPECT_EQ(s.SumWeight, before.SumWeight);
    EXPECT_EQ(s.ScaleKind, before.ScaleKind);

    // 48 is the longest length a record can hold.
    Put(bytes, 100, QByteArray("\x30\x00", 2));
    ASSERT_TRUE(DecodeSettings(bytes, s).ok());
    EXPECT_EQ(s.Parity.size(), 48);
    EXPECT_EQ(s.MinWeightGrams, 200);

    // 602 bytes hold every value; 601 do not.
    SetNonDefaults(s);
    EXPECT_TRUE(DecodeSettings(DefaultFileBytes().left(602), s).ok());
    EXPECT_EQ(s.ScaleKind, 1);
    SetNonDefaults(s);
    EXPECT_FALSE(DecodeSettings(DefaultFileBytes().left(601), s).ok());
    EXPECT_EQ(s.ScaleKind, ScaleKindAed);
    EXPECT_EQ(s.PortNumber, before.PortNumber);
}

TEST_F(SettingsFileTest, DamagedFileIsKeptAndReplacedByDefaults)
{
    QByteArray hugeLength = DefaultFileBytes();
    Put(hugeLength, 0, QByteArray("\xFF\xFF", 2));
    QByteArray badStopBits = DefaultFileBytes();
    Put(badStopBits, 200, QByteArray("\x31\x00", 2));
    QByteArray longerButCut = DefaultFileBytes();
    longerButCut = longerButCut.left(601);
    QByteArray nanSum = DefaultFileBytes();
    Put(nanSum, 500, QByteArray("\x00\x00\x00\x00\x00\x00\xF8\x7F", 8));
    QByteArray infiniteSum = DefaultFileBytes();
    Put(infiniteSum, 500, QByteArray("\x00\x00\x00\x00\x00\x00\xF0\xFF", 8));  // minus infinity

    struct Case {
        const char* name;
        QByteArray first;
        QByteArray second;
    };
    const Case cases[] = {
        {"601 bytes", longerButCut, QByteArray(3, 'x')},
        {"empty", QByteArray(), hugeLength},
        {"length FFFF in record 1", hugeLength, QByteArray()},
        {"length 49 in record 5", badStopBits, longerButCut},
        {"running sum NaN, then minus infinity", nanSum, infiniteSum},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TempDataDir place;
        FakeOperatorPanel messages;
        Terminal t{TerminalState{}, Display{}, port, clock, messages, place.path()};
        SetNonDefaults(t.state);
        place.write(QStringLiteral("System.eng"), k.first);
        ASSERT_TRUE(QFileInfo::exists(place.file(QStringLiteral("System.eng"))));

        const Status status = InitSettings(t);
        ASSERT_TRUE(status.ok()) << status.description.toStdString();
        ExpectDefaults(t.state);
        EXPECT_EQ(place.read(QStringLiteral("System.eng")), DefaultFileBytes());
        ASSERT_TRUE(QFileInfo::exists(place.file(QStringLiteral("System.eng.bad"))));
        EXPECT_EQ(place.read(QStringLiteral("System.eng.bad")), k.first);
        ASSERT_EQ(messages.messages.size(), 1);
        EXPECT_TRUE(messages.messages[0].contains(QStringLiteral("System.eng"))) << messages.messages[0].toStdString();

        // A second damaged start keeps the first copy and uses the next name.
        place.write(QStringLiteral("System.eng"), k.second);
        SetNonDefaults(t.state);
        ASSERT_TRUE(InitSettings(t).ok());
        ExpectDefaults(t.state);
        EXPECT_EQ(place.read(QStringLiteral("System.eng")), DefaultFileBytes());
        EXPECT_EQ(place.read(QStringLiteral("System.eng.bad")), k.first);
        ASSERT_TRUE(QFileInfo::exists(place.file(QStringLiteral("System.eng.bad2"))));
        EXPECT_EQ(place.read(QStringLiteral("System.eng.bad2")), k.second);
        EXPECT_EQ(messages.messages.size(), 2);

        // The replacement is a good file: the next start loads it silently.
        SetNonDefaults(t.state);
        ASSERT_TRUE(InitSettings(t).ok());
        ExpectDefaults(t.state);
        EXPECT_EQ(messages.messages.size(), 2);
        EXPECT_FALSE(QFileInfo::exists(place.file(QStringLiteral("System.eng.bad3"))));
    }
}

TEST_F(SettingsFileTest, InitSettingsFailsWhenTheFileCannotBeMade)
{
    {
        // The settings path is a directory.
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("System.eng")));
        Terminal t = TerminalAt(dir.path());
        const Status status = InitSettings(t);
        EXPECT_FALSE(status.ok());
        EXPECT_NE(status.number, 0);
        EXPECT_FALSE(status.description.isEmpty());
        EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("System.eng"))).isDir());
        EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("System.eng.bad"))));
    }
    {
        // A regular file stands where the data directory should be.
        dir.write(QStringLiteral("Orvalta"), "not a directory");
        for (const QString& dataDir : {dir.file(QStringLiteral("Orvalta/")), dir.file(QStringLiteral("Orvalta/inner/"))}) {
            SCOPED_TRACE(dataDir.toStdString());
            Terminal t = TerminalAt(dataDir);
            const Status status = InitSettings(t);
            EXPECT_FALSE(status.ok());
            EXPECT_NE(status.number, 0);
            EXPECT_FALSE(status.description.isEmpty());
        }
        EXPECT_EQ(dir.read(QStringLiteral("Orvalta")), QByteArray("not a directory"));
    }
    EXPECT_TRUE(panel.messages.isEmpty());
}

TEST_F(SettingsFileTest, CheckPath)
{
    Terminal t = TerminalAt(dir.path());
    dir.write(QStringLiteral("System.eng"), DefaultFileBytes());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("empty")));

    struct Case {
        QString path;
        bool exists;
    };
    const Case cases[] = {
        {dir.path(), true},                                   // directory, trailing '/'
        {dir.file(QStringLiteral("empty/")), true},           // an empty directory still counts
        {dir.file(QStringLiteral("System.eng")), true},       // a file
        {dir.file(QStringLiteral("missing")), false},
        {dir.file(QStringLiteral("missing/")), false},
        {dir.file(QStringLiteral("System.eng/")), false},     // a file is not a directory
        {dir.file(QStringLiteral("missing/System.eng")), false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.path.toStdString());
        t.state.FoundName = QStringLiteral("stale");
        t.state.PathExists = k.exists ? 0 : 1;
        CheckPath(t, k.path);
        EXPECT_EQ(t.state.PathExists, k.exists ? 1 : 0);
        EXPECT_EQ(t.state.FoundName.isEmpty(), !k.exists);
    }
    CheckPath(t, dir.file(QStringLiteral("System.eng")));
    EXPECT_EQ(t.state.FoundName, QStringLiteral("System.eng"));
}

namespace {

// A settings file another program grew to a megabyte: it loads, and a save
// keeps every byte beyond the records.
TEST(SettingsFileHostile, MegabyteFileLoadsAndKeepsItsTail)
{
    TempDataDir dir;
    FakeSerialPort port;
    FakeClock clock;
    FakeOperatorPanel panel;
    Terminal t{TerminalState{}, Display{}, port, clock, panel, dir.path()};
    TerminalState s;
    SetDefaults(s);
    s.MinWeightGrams = 350;
    QByteArray bytes = EncodeSettings(s, {}).value;
    QByteArray tail(1024 * 1024 - bytes.size(), '\0');
    for (qsizetype i = 0; i < tail.size(); ++i)
        tail[i] = static_cast<char>(i * 7);
    bytes += tail;
    dir.write(SettingsFileName, bytes);

    ASSERT_TRUE(InitSettings(t).ok());
    EXPECT_EQ(t.state.MinWeightGrams, 350);
    t.state.MinWeightGrams = 400;
    ASSERT_TRUE(SaveSettings(t).ok());
    const QByteArray saved = dir.read(SettingsFileName);
    ASSERT_EQ(saved.size(), 1024 * 1024);
    EXPECT_EQ(saved.mid(650), tail);
    EXPECT_TRUE(panel.messages.isEmpty());
}

}  // namespace
