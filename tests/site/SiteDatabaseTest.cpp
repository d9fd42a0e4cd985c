#include "journal/RecordWeighing.h"
#include "journal/SealCheck.h"
#include "journal/Summation.h"
#include "link/LinkHub.h"
#include "site/ConnectionCheck.h"
#include "site/DatabaseSettings.h"
#include "site/SiteService.h"
#include "site/SiteSql.h"
#include "site/SiteText.h"
#include "support/BlackHole.h"
#include "support/PgCluster.h"
#include "support/TerminalFixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sys/stat.h>

// The site database against a real PostgreSQL server that each case starts
// for itself: the terminal's procedures write the day files as the window
// would, and the site service copies them to the server on its thread.

namespace {

// What a least-privileged terminal role gets, as the README gives it to an
// IT person: the tables made by the administrator, then rights to add
// lines, read them, and keep its own live state.
const char* const LeastPrivilege =
    "CREATE ROLE scale1 LOGIN;"
    "GRANT CONNECT ON DATABASE site TO scale1;"
    "GRANT USAGE ON SCHEMA public TO scale1;"
    "GRANT INSERT, SELECT ON journal_lines TO scale1;"
    "GRANT INSERT, UPDATE, SELECT ON terminals TO scale1;"
    "GRANT SELECT ON schema_version TO scale1;";

class SiteDatabase : public TerminalFixture {
protected:
    void SetUp() override
    {
        TerminalFixture::SetUp();
        QString why;
        ASSERT_TRUE(startServer(&why)) << why.toStdString();
        QObject::connect(&site, &SiteService::tell, [this](const QString& message) { told << message; });
    }

    virtual bool startServer(QString* why)
    {
        if (!pg.start(why))
            return false;
        pg.query(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE site"), why);
        return why->isEmpty();
    }

    void TearDown() override { site.stop(); }

    DatabaseSettings settings(const QString& connection) const
    {
        return DatabaseSettings{true, connection, QStringLiteral("scale1")};
    }

    // Rows of a query once there are `count` of them (the sender works on
    // its own thread); what there is at the deadline otherwise.
    QList<QStringList> waitForRows(const QString& sql, int count)
    {
        QList<QStringList> rows;
        const QDeadlineTimer deadline(60000);
        while (!deadline.hasExpired()) {
            rows = pg.query(QStringLiteral("site"), sql);
            if (rows.size() >= count)
                break;
            QCoreApplication::processEvents();
            QThread::msleep(100);
        }
        return rows;
    }

    // Events delivered until a message arrives, or the deadline.
    bool waitForMessage(int ms)
    {
        const QDeadlineTimer deadline(ms);
        const qsizetype before = told.size();
        while (!deadline.hasExpired() && told.size() == before) {
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
        return told.size() > before;
    }

    void weigh(double kg)
    {
        t.state.NetWeight = kg;
        ASSERT_TRUE(RecordWeighing(t).ok());
        site.journalWritten();
    }

    PgCluster pg;
    LinkHub hub;
    SiteService site{dir.path(), &hub};
    QStringList told;
};

const QString Lines = QStringLiteral(
    "SELECT line, kind, coalesce(number::text, '-'), coalesce(time::text, '-'), coalesce(net::text, '-'), "
    "coalesce(tare::text, '-'), text, length(seal), day::text, received_at IS NOT NULL "
    "FROM journal_lines WHERE terminal = 'scale1' ORDER BY line");

TEST_F(SiteDatabase, ThreeWeighingsAndASumArriveOnceWithTheirFieldsUnderTheLeastRights)
{
    QString error;
    pg.query(QStringLiteral("site"), QString::fromLatin1(CreateSchemaSql()), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    pg.query(QStringLiteral("site"), QString::fromLatin1(LeastPrivilege), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();

    LinkWeight weight;
    weight.display = QStringLiteral("7,5");
    weight.net = 7.5;
    weight.portOk = true;
    hub.publish(weight, QDateTime::currentDateTime());
    ASSERT_TRUE(site.apply(settings(pg.connection(QStringLiteral("site"), QStringLiteral("scale1")))).isEmpty());

    Command3_Click(t);  // summation on
    weigh(10);
    weigh(12.5);
    t.state.TareRounded = -0.5;
    weigh(7.5);
    Command3_Click(t);  // off: the sum line
    site.journalWritten();

    const QList<QStringList> rows = waitForRows(Lines, 4);
    ASSERT_EQ(rows.size(), 4) << rows.size();
    const QList<QByteArray> day = dayFile().split('\n');  // each line with its CR, then the empty rest
    ASSERT_EQ(day.size(), 5);
    const QStringList expected[] = {
        {QStringLiteral("1"), QStringLiteral("weighing"), QStringLiteral("1"), QStringLiteral("09:05:30"),
         QStringLiteral("10.000"), QStringLiteral("0.000")},
        {QStringLiteral("2"), QStringLiteral("weighing"), QStringLiteral("2"), QStringLiteral("09:05:30"),
         QStringLiteral("12.500"), QStringLiteral("0.000")},
        {QStringLiteral("3"), QStringLiteral("weighing"), QStringLiteral("3"), QStringLiteral("09:05:30"),
         QStringLiteral("7.500"), QStringLiteral("-0.500")},
        {QStringLiteral("4"), QStringLiteral("sum"), QStringLiteral("-"), QStringLiteral("-"),
         QStringLiteral("30.000"), QStringLiteral("-")},
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i].mid(0, 6), expected[i]) << rows[i].join(u'|').toStdString();
        // The text as the day window reads it, the seal's code in hex, the
        // file's day.
        EXPECT_EQ(rows[i][6] + QStringLiteral("\r"), FromCp1251(day[i]));
        EXPECT_EQ(rows[i][7], QStringLiteral("64"));
        EXPECT_EQ(rows[i][8], QStringLiteral("2026-06-15"));
        EXPECT_EQ(rows[i][9], QStringLiteral("t"));
    }
    const QStringList seals = SealCodesOfLines(dir.path(), QDate(2026, 6, 15));
    ASSERT_EQ(seals.size(), 4);
    EXPECT_FALSE(seals[1].isNull());
    EXPECT_EQ(pg.query(QStringLiteral("site"), QStringLiteral("SELECT seal FROM journal_lines WHERE line = 2"))[0][0],
              seals[1]);

    // The live state, and what the day window says.
    const QList<QStringList> live = waitForRows(
        QStringLiteral("SELECT display, net, port_ok, waiting FROM terminals WHERE terminal = 'scale1' AND waiting = 0"), 1);
    ASSERT_EQ(live.size(), 1);
    EXPECT_EQ(live[0], (QStringList{QStringLiteral("7,5"), QStringLiteral("7.500"), QStringLiteral("t"), QStringLiteral("0")}));
    ASSERT_TRUE(site.waitFor([](const SiteStatus& s) { return s.ok && s.waiting == 0; }, 20000));
    const SiteDayStatus held = site.dayStatus(QDate(2026, 6, 15));
    EXPECT_EQ(held.held, 4);
    EXPECT_TRUE(held.conflicts.isEmpty());
    EXPECT_EQ(DayDatabaseText(held, 4), QStringLiteral("База данных площадки: в базе все строки дня (4)."));

    // The role may add lines and read them, never change or remove one.
    for (const char* sql : {"UPDATE journal_lines SET net = 0", "DELETE FROM journal_lines", "TRUNCATE journal_lines"}) {
        pg.queryAs(QStringLiteral("scale1"), QStringLiteral("site"), QString::fromLatin1(sql), &error);
        EXPECT_TRUE(error.contains(QStringLiteral("permission denied"))) << sql << ' ' << error.toStdString();
    }
    EXPECT_EQ(pg.query(QStringLiteral("site"), QStringLiteral("SELECT count(*), count(DISTINCT line) FROM journal_lines"))[0],
              (QStringList{QStringLiteral("4"), QStringLiteral("4")}));
    EXPECT_TRUE(told.isEmpty()) << told.join(u'\n').toStdString();
}

TEST_F(SiteDatabase, ADayFileEditedAfterSendingIsAConflictToldOnceAndNeverWrittenOver)
{
    ASSERT_TRUE(site.apply(settings(pg.connection(QStringLiteral("site")))).isEmpty());
    weigh(10);
    weigh(12.5);
    ASSERT_EQ(waitForRows(Lines, 2).size(), 2);
    ASSERT_TRUE(site.waitFor([](const SiteStatus& s) { return s.ok && s.waiting == 0; }, 20000));

    // Line 2's weight changed by hand, its length kept.
    QByteArray bytes = dayFile();
    const qsizetype at = bytes.lastIndexOf(" 12.5");
    ASSERT_GT(at, 0);
    bytes.replace(at, 5, " 92.5");
    dir.write(QStringLiteral("06-15-2026.txt"), bytes);
    site.journalWritten();
    ASSERT_TRUE(waitForMessage(30000));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QStringLiteral("Журнал за 15.06.2026 изменён после передачи"))) << told[0].toStdString();
    EXPECT_TRUE(told[0].contains(QStringLiteral("строка 2: в базе «")) && told[0].contains(QStringLiteral(" 12.5кг")) &&
                told[0].contains(QStringLiteral(" 92.5кг")))
        << told[0].toStdString();
    EXPECT_EQ(site.dayStatus(QDate(2026, 6, 15)).conflicts, QList<int>{2});
    EXPECT_TRUE(DayDatabaseText(site.dayStatus(QDate(2026, 6, 15)), 2).contains(QStringLiteral("Расходятся с файлом: строка 2")));
    EXPECT_EQ(pg.query(QStringLiteral("site"), QStringLiteral("SELECT net FROM journal_lines WHERE line = 2"))[0][0],
              QStringLiteral("12.500"));

    // Told once: the next line goes on as usual, and a restart does not
    // tell it again.
    weigh(5);
    ASSERT_EQ(waitForRows(Lines, 3).size(), 3);
    site.stop();
    ASSERT_TRUE(site.apply(settings(pg.connection(QStringLiteral("site")))).isEmpty());
    weigh(6);
    ASSERT_EQ(waitForRows(Lines, 4).size(), 4);
    ASSERT_TRUE(site.waitFor([](const SiteStatus& s) { return s.ok && s.waiting == 0; }, 20000));
    QCoreApplication::processEvents();
    EXPECT_EQ(told.size(), 1) << told.join(u'\n').toStdString();
    EXPECT_EQ(site.dayStatus(QDate(2026, 6, 15)).conflicts, QList<int>{2});
}

TEST_F(SiteDatabase, AnOutageOrABlackHoleCostsTheWeighingNothingAndTellsNobodyAtOnce)
{
    // Black-holed: the sender gives up the connect at its deadline and says
    // why; the weighing meanwhile is written as ever.
    BlackHole hole;
    ASSERT_NE(hole.port(), 0);
    ASSERT_TRUE(site.apply(settings(QStringLiteral("host=127.0.0.1 port=%1 dbname=site user=postgres connect_timeout=2")
                                        .arg(hole.port())))
                    .isEmpty());
    weigh(10);
    ASSERT_TRUE(site.waitFor(
        [](const SiteStatus& s) { return !s.ok && s.waiting == 1 && s.problem.contains(QStringLiteral("не ответил")); },
        30000))
        << site.status().problem.toStdString();
    EXPECT_NE(CheckDatabaseConnection(QStringLiteral("host=127.0.0.1 port=%1 connect_timeout=2").arg(hole.port()))
                  .indexOf(QStringLiteral("не ответил за 2 с")),
              -1);

    // The server stopped: lines wait, counted; started: all arrive, once.
    ASSERT_TRUE(site.apply(settings(pg.connection(QStringLiteral("site")))).isEmpty());
    ASSERT_EQ(waitForRows(Lines, 1).size(), 1);
    ASSERT_TRUE(pg.stop());
    weigh(12.5);
    weigh(7.5);
    ASSERT_TRUE(site.waitFor(
        [](const SiteStatus& s) {
            return !s.ok && s.waiting == 2 && s.problem.contains(QStringLiteral("сервер не принимает соединения"));
        },
        30000))
        << site.status().waiting << ' ' << site.status().problem.toStdString();
    // Started again on its port: the sender's next try finds it.
    const int port = pg.port();
    QString why;
    ASSERT_TRUE(pg.start(&why)) << why.toStdString();
    ASSERT_EQ(pg.port(), port);
    const QList<QStringList> rows = waitForRows(Lines, 3);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1][4], QStringLiteral("12.500"));
    EXPECT_EQ(rows[2][4], QStringLiteral("7.500"));
    ASSERT_TRUE(site.waitFor([](const SiteStatus& s) { return s.ok && s.waiting == 0; }, 30000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(told.isEmpty()) << told.join(u'\n').toStdString();
}

class SiteDatabaseTls : public SiteDatabase {
protected:
    bool startServer(QString* why) override { return pg.enableTls(why) && SiteDatabase::startServer(why); }
};

TEST_F(SiteDatabaseTls, LinesGoEncryptedWithSslmodeRequire)
{
    const QString connection = pg.connection(QStringLiteral("site")) + QStringLiteral(" sslmode=require");
    EXPECT_NE(CheckDatabaseConnection(connection).indexOf(QStringLiteral("зашифровано (TLS)")), -1)
        << CheckDatabaseConnection(connection).toStdString();
    ASSERT_TRUE(site.apply(settings(connection)).isEmpty());
    weigh(10);
    ASSERT_EQ(waitForRows(Lines, 1).size(), 1);
    const QList<QStringList> ssl = pg.query(
        QStringLiteral("site"), QStringLiteral("SELECT s.ssl FROM pg_stat_ssl s JOIN pg_stat_activity a USING (pid) "
                                               "WHERE a.application_name = 'veltar-terminal'"));
    ASSERT_EQ(ssl.size(), 1);
    EXPECT_EQ(ssl[0][0], QStringLiteral("t"));
}

TEST(DatabaseSettingsFile, IsWrittenForItsOwnerAloneAndADamagedOneIsPutAside)
{
    TempDataDir dir;
    const mode_t mask = ::umask(0);
    const DatabaseSettings s{true, QStringLiteral("host=db port=5432 password='a,b;c\\\\d' sslmode=require"),
                             QStringLiteral("Весы 1")};
    const QString saved = SaveDatabaseSettings(dir.path(), s);
    ::umask(mask);
    ASSERT_TRUE(saved.isEmpty()) << saved.toStdString();
    struct stat file {};
    ASSERT_EQ(::stat(dir.file(DatabaseSettingsFileName).toLocal8Bit().constData(), &file), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    const DatabaseSettingsLoad loaded = LoadDatabaseSettings(dir.path());
    EXPECT_TRUE(loaded.warning.isEmpty());
    EXPECT_EQ(loaded.settings, s);

    dir.write(DatabaseSettingsFileName, "[Database]\nEnabled=perhaps\n");
    const DatabaseSettingsLoad damaged = LoadDatabaseSettings(dir.path());
    EXPECT_FALSE(damaged.settings.enabled);
    EXPECT_EQ(damaged.settings.terminal, DefaultTerminalName());
    EXPECT_TRUE(damaged.warning.contains(QStringLiteral("Database.ini.bad"))) << damaged.warning.toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("Database.ini.bad"))));
    EXPECT_FALSE(QFileInfo::exists(dir.file(DatabaseSettingsFileName)));
}

}  // namespace
