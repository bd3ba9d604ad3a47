#include "app/NumberInput.h"

#include <QTest>

#include <clocale>
#include <cmath>

using namespace virel;

Q_DECLARE_METATYPE(std::optional<double>)

class NumberInputTest : public QObject
{
    Q_OBJECT

private slots:
    void alertLevel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("expected");
        QTest::newRow("grouped") << u"70,000"_qs << std::optional(70000.0);
        QTest::newRow("plain") << u"180.5"_qs << std::optional(180.5);
        QTest::newRow("leading blank") << u" 70000"_qs << std::optional<double>();
        QTest::newRow("trailing blank") << u"70000 "_qs << std::optional<double>();
        QTest::newRow("empty") << QString() << std::optional<double>();
        QTest::newRow("only commas") << u",,"_qs << std::optional<double>();
        QTest::newRow("zero") << u"0"_qs << std::optional(0.0);
        QTest::newRow("negative") << u"-12.5"_qs << std::optional(-12.5);
        QTest::newRow("explicit plus") << u"+3"_qs << std::optional(3.0);
        QTest::newRow("double sign") << u"+-3"_qs << std::optional<double>();
        QTest::newRow("exponent") << u"1.5e3"_qs << std::optional(1500.0);
        QTest::newRow("decimal comma is grouping") << u"1,5"_qs << std::optional(15.0);
        QTest::newRow("letters") << u"abc"_qs << std::optional<double>();
        QTest::newRow("trailing letters") << u"12abc"_qs << std::optional<double>();
        QTest::newRow("full-width digits") << u"７０"_qs << std::optional<double>();
        QTest::newRow("hex is not C decimal") << u"0x10"_qs << std::optional<double>();
        // Such levels cannot be stored as JSON numbers: the saved list would no longer load.
        QTest::newRow("infinity") << u"inf"_qs << std::optional<double>();
        QTest::newRow("not a number") << u"nan"_qs << std::optional<double>();
        QTest::newRow("overflow") << u"1e400"_qs << std::optional<double>();
    }
    void alertLevel()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<double>, expected);
        QCOMPARE(NumberInput::alertLevel(text), expected);
    }

    void timerMinutes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("expected");
        QTest::newRow("whole") << u"90"_qs << std::optional(90.0);
        QTest::newRow("fraction") << u"1.5"_qs << std::optional(1.5);
        QTest::newRow("zero") << u"0"_qs << std::optional<double>();
        QTest::newRow("negative") << u"-5"_qs << std::optional<double>();
        QTest::newRow("letters") << u"abc"_qs << std::optional<double>();
        QTest::newRow("comma not removed") << u"1,000"_qs << std::optional<double>();
        QTest::newRow("leading blank") << u" 5"_qs << std::optional<double>();
        QTest::newRow("infinity") << u"infinity"_qs << std::optional<double>();
        QTest::newRow("not a number") << u"nan"_qs << std::optional<double>();
        QTest::newRow("seconds overflow 64 bits") << u"1e18"_qs << std::optional<double>();
        QTest::newRow("just fits") << u"1e16"_qs << std::optional(1e16);
    }
    void timerMinutes()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<double>, expected);
        QCOMPARE(NumberInput::timerMinutes(text), expected);
    }

    void parse_keepsInfinityForCallersThatWantIt()
    {
        const auto value = NumberInput::parse(u"-inf"_qs);
        QVERIFY(value && std::isinf(*value) && *value < 0);
    }

    void parse_ignoresTheProcessLocale()
    {
        // QCoreApplication adopts the user's locale for C functions; a German locale would read "1,5".
        const QByteArray previous = setlocale(LC_NUMERIC, nullptr);
        if (setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
            QSKIP("no German locale installed");
        }
        const auto value = NumberInput::parse(u"1.5"_qs);
        setlocale(LC_NUMERIC, previous.constData());
        QCOMPARE(value, std::optional(1.5));
    }
};

QTEST_GUILESS_MAIN(NumberInputTest)
#include "NumberInputTest.moc"
