#include "app/LaunchSwitches.h"

#include <QTest>

using namespace virel;

Q_DECLARE_METATYPE(LaunchSwitches)

namespace {
LaunchSwitches switches(std::optional<QString> detail, bool edit, bool glance)
{
    LaunchSwitches result;
    result.detail = std::move(detail);
    result.edit = edit;
    result.glance = glance;
    return result;
}
} // namespace

class LaunchSwitchesTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<LaunchSwitches>("expected");
        QTest::newRow("none") << QStringList() << switches({}, false, false);
        QTest::newRow("detail upper-cased")
            << QStringList{u"--detail"_qs, u"nvda"_qs} << switches(u"NVDA"_qs, false, false);
        QTest::newRow("detail last: nothing")
            << QStringList{u"--edit"_qs, u"--detail"_qs} << switches({}, true, false);
        QTest::newRow("first detail counts")
            << QStringList{u"--detail"_qs, u"aapl"_qs, u"--detail"_qs, u"nvda"_qs}
            << switches(u"AAPL"_qs, false, false);
        QTest::newRow("first detail last, later ignored")
            << QStringList{u"--detail"_qs, u"005930.ks"_qs, u"--glance"_qs, u"--detail"_qs}
            << switches(u"005930.KS"_qs, false, true);
        QTest::newRow("empty symbol") << QStringList{u"--detail"_qs, QString()} << switches({}, false, false);
        QTest::newRow("all three") << QStringList{u"--glance"_qs, u"--edit"_qs, u"--detail"_qs, u"^ks11"_qs}
                                   << switches(u"^KS11"_qs, true, true);
        QTest::newRow("case-sensitive") << QStringList{u"--EDIT"_qs, u"--Glance"_qs, u"--DETAIL"_qs, u"x"_qs}
                                        << switches({}, false, false);
        QTest::newRow("unknown ignored")
            << QStringList{u"--demo"_qs, u"--verbose"_qs} << switches({}, false, false);
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(LaunchSwitches, expected);
        const LaunchSwitches parsed = LaunchSwitches::parse(arguments);
        QCOMPARE(parsed.detail, expected.detail);
        QCOMPARE(parsed.edit, expected.edit);
        QCOMPARE(parsed.glance, expected.glance);
    }
};

QTEST_GUILESS_MAIN(LaunchSwitchesTest)
#include "LaunchSwitchesTest.moc"
