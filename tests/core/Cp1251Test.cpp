#include "core/Cp1251.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

TEST(Cp1251, CyrillicAndAsciiBytes)
{
    EXPECT_EQ(ToCp1251(QStringLiteral("кг")), QByteArray("\xEA\xE3"));
    EXPECT_EQ(ToCp1251(QStringLiteral("Сумма(")), QByteArray("\xD1\xF3\xEC\xEC\xE0("));
    EXPECT_EQ(ToCp1251(QStringLiteral("АЯая")), QByteArray("\xC0\xDF\xE0\xFF"));
    EXPECT_EQ(ToCp1251(QStringLiteral("Ёё№€")), QByteArray("\xA8\xB8\xB9\x88"));
    EXPECT_EQ(ToCp1251(QStringLiteral(" 1\t06-15-2026\r\n")), QByteArray(" 1\t06-15-2026\r\n"));
    EXPECT_EQ(FromCp1251(QByteArray("\xEA\xE3")), QStringLiteral("кг"));
    EXPECT_EQ(FromCp1251(QByteArray("\x00\x41", 2)), QString(QChar(0)) + u'A');
    EXPECT_TRUE(ToCp1251(QString()).isEmpty());
    EXPECT_TRUE(FromCp1251(QByteArray()).isEmpty());
}

TEST(Cp1251, EveryByteAgreesWithQtAndRoundTrips)
{
    QStringDecoder qt("windows-1251", QStringConverter::Flag::Stateless);
    if (!qt.isValid())
        GTEST_SKIP() << "this Qt has no windows-1251 decoder";

    QByteArray all;
    for (int b = 0; b <= 0xFF; ++b) {
        SCOPED_TRACE(b);
        const QByteArray one(1, static_cast<char>(b));
        const QString ours = FromCp1251(one);
        ASSERT_EQ(ours.size(), 1);
        if (b != 0x98) {
            const QString theirs = qt.decode(one);
            EXPECT_EQ(ours, theirs);
        }
        EXPECT_EQ(ToCp1251(ours), one);
        EXPECT_TRUE(FitsCp1251(ours));
        all.append(one);
    }
    // The whole range as one text: one character per byte, and back.
    const QString text = FromCp1251(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(ToCp1251(text), all);
    EXPECT_TRUE(FitsCp1251(text));
}

TEST(Cp1251, UndefinedByteRoundTrips)
{
    const QByteArray bytes("A\x98Z");
    const QString text = FromCp1251(bytes);
    EXPECT_EQ(text, QStringLiteral("A\u0098Z"));
    EXPECT_EQ(ToCp1251(text), bytes);
}

TEST(Cp1251, CharactersTheCodePageLacksBecomeQuestionMarks)
{
    EXPECT_EQ(ToCp1251(QStringLiteral("漢")), QByteArray("?"));
    EXPECT_EQ(ToCp1251(QStringLiteral("кг✓漢x")), QByteArray("\xEA\xE3??x"));
    EXPECT_FALSE(FitsCp1251(QStringLiteral("漢")));
    EXPECT_FALSE(FitsCp1251(QStringLiteral("кг✓")));
    EXPECT_FALSE(FitsCp1251(QStringLiteral("\u0099")));  // a C1 control other than U+0098
    EXPECT_EQ(ToCp1251(QStringLiteral("\u0099")), QByteArray("?"));
    EXPECT_FALSE(FitsCp1251(QStringLiteral("ä")));       // Latin-1, not Cyrillic
    EXPECT_TRUE(FitsCp1251(QStringLiteral("Сумма( 3)=  30 €")));
    EXPECT_TRUE(FitsCp1251(QString()));
}
