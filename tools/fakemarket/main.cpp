#include "fakemarket/FakeAppcast.h"
#include "fakemarket/FakeServer.h"
#include "fakemarket/FakeService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"virel-fake-server"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"A local fake of the market data host on 127.0.0.1, answering\n"
        u"  GET /v8/finance/chart/{symbol}?range=..&interval=..[&events=div%2Csplits]\n"
        u"  GET /v1/finance/search?q=..&quotesCount=..&newsCount=..\n"
        u"in the real wire shapes, with prices that move on every poll, and the Virel\n"
        u"service: the JSON API under /api/mac/ and the pages /, /link/mac, /symbol/{ticker},\n"
        u"and an update feed at /appcast.xml.\n\n"_s +
        virel::fake::FaultSpec::help());
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_s, u"Port to listen on; 0 picks a free one (default 0)."_s,
                                        u"N"_s, u"0"_s);
    const QCommandLineOption faultOption(u"fault"_s, u"Inject a fault (repeatable); see FAULT above."_s,
                                         u"FAULT"_s);
    const QCommandLineOption accountsOption(
        u"accounts"_s, u"Keep the issued tokens and their watchlists in FILE, for a later run."_s, u"FILE"_s);
    parser.addOption(portOption);
    parser.addOption(faultOption);
    parser.addOption(accountsOption);
    parser.process(app);

    QTextStream err(stderr);
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        err << "virel-fake-server: bad port \"" << parser.value(portOption) << "\"\n";
        return 2;
    }

    virel::fake::FakeServer server;
    virel::fake::FakeService service(server);
    virel::fake::FakeAppcast appcast(server);
    if (parser.isSet(accountsOption)) {
        service.keepAccountsIn(parser.value(accountsOption));
    }
    for (const QString& faultText : parser.values(faultOption)) {
        QString error;
        const auto parsed = virel::fake::FaultSpec::parse(faultText, &error);
        if (!parsed) {
            err << "virel-fake-server: " << error << '\n';
            return 2;
        }
        server.faults().add(parsed->pathPrefix, parsed->fault);
    }
    if (!server.listen(static_cast<quint16>(port))) {
        err << "virel-fake-server: cannot listen on 127.0.0.1:" << port << '\n';
        return 1;
    }
    QTextStream(stdout) << "virel-fake-server listening on " << server.origin().toString() << Qt::endl;
    return QCoreApplication::exec();
}
