#include "fakemarket/Catalogue.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace virel::fake {
namespace {

Security korean(const QString& symbol, const QString& shortName, const QString& longName, double price,
                double volatility = 0.02)
{
    const bool kosdaq = symbol.endsWith(u".KQ");
    Security s;
    s.symbol = symbol;
    s.shortName = shortName;
    s.longName = longName;
    s.exchange = kosdaq ? u"KOE"_s : u"KSC"_s;
    s.exchDisp = kosdaq ? u"KOSDAQ"_s : u"KSE"_s;
    s.quoteType = u"EQUITY"_s;
    s.typeDisp = u"Equity"_s;
    s.currency = u"KRW"_s;
    s.market = Market::krx;
    s.basePrice = price;
    s.dailyVolatility = volatility;
    s.priceDecimals = 0;
    return s;
}

Security american(const QString& symbol, const QString& shortName, const QString& longName,
                  const QString& exchange, double price, double volatility)
{
    Security s;
    s.symbol = symbol;
    s.shortName = shortName;
    s.longName = longName;
    s.exchange = exchange;
    s.exchDisp = exchange == u"NMS" ? u"NASDAQ"_s : exchange == u"PCX" ? u"NYSEArca"_s : u"NYSE"_s;
    s.quoteType = u"EQUITY"_s;
    s.typeDisp = u"Equity"_s;
    s.currency = u"USD"_s;
    s.market = Market::us;
    s.basePrice = price;
    s.dailyVolatility = volatility;
    return s;
}

Security other(const QString& symbol, const QString& name, const QString& exchange, const QString& exchDisp,
               const QString& quoteType, const QString& currency, Market market, double price,
               double volatility, int decimals = 2)
{
    static const QHash<QString, QString> typeLabels{{u"INDEX"_s, u"Index"_s},
                                                    {u"CURRENCY"_s, u"Currency"_s},
                                                    {u"FUTURE"_s, u"Futures"_s},
                                                    {u"CRYPTOCURRENCY"_s, u"Cryptocurrency"_s},
                                                    {u"ETF"_s, u"ETF"_s}};
    Security s;
    s.symbol = symbol;
    s.shortName = name;
    s.longName = name;
    s.exchange = exchange;
    s.exchDisp = exchDisp;
    s.quoteType = quoteType;
    s.typeDisp = typeLabels.value(quoteType);
    s.currency = currency;
    s.market = market;
    s.basePrice = price;
    s.dailyVolatility = volatility;
    s.priceDecimals = decimals;
    return s;
}

Security withDividend(Security s, double amount, int firstMonth, int day)
{
    s.quarterlyDividend = amount;
    s.dividendFirstMonth = firstMonth;
    s.dividendDay = day;
    return s;
}

Security withSplit(Security s, const QString& ratio, int daysAgo)
{
    s.splitRatio = ratio;
    s.splitDaysAgo = daysAgo;
    return s;
}

Security withNames(Security s, const QString& shortName, const QString& longName)
{
    s.shortName = shortName;
    s.longName = longName;
    return s;
}

QList<Security> makeSecurities()
{
    const auto index = u"INDEX"_s;
    return {
        // The default market list.
        other(u"^KS11"_s, u"KOSPI Composite Index"_s, u"KSC"_s, u"KSE"_s, index, u"KRW"_s, Market::krx, 2600,
              0.01),
        other(u"^KQ11"_s, u"KOSDAQ Composite Index"_s, u"KOE"_s, u"KOSDAQ"_s, index, u"KRW"_s, Market::krx,
              760, 0.012),
        other(u"^GSPC"_s, u"S&P 500"_s, u"SNP"_s, u"SNP"_s, index, u"USD"_s, Market::us, 5900, 0.009),
        other(u"^IXIC"_s, u"NASDAQ Composite"_s, u"NIM"_s, u"Nasdaq GIDS"_s, index, u"USD"_s, Market::us,
              19200, 0.012),
        other(u"^VIX"_s, u"CBOE Volatility Index"_s, u"CGI"_s, u"Cboe Indices"_s, index, u"USD"_s, Market::us,
              16.5, 0.05),
        withNames(other(u"KRW=X"_s, {}, u"CCY"_s, u"CCY"_s, u"CURRENCY"_s, u"KRW"_s, Market::fx, 1380, 0.004),
                  u"USD/KRW"_s, {}),
        withNames(
            other(u"^TNX"_s, {}, u"CGI"_s, u"Cboe Indices"_s, index, u"USD"_s, Market::us, 4.25, 0.015, 3),
            u"CBOE Interest Rate 10 Year T No"_s, u"Treasury Yield 10 Years"_s),
        withNames(
            other(u"CL=F"_s, {}, u"NYM"_s, u"NY Mercantile"_s, u"FUTURE"_s, u"USD"_s, Market::us, 71, 0.02),
            u"Crude Oil"_s, u"WTI Crude Oil Futures"_s),
        withNames(other(u"GC=F"_s, {}, u"CMX"_s, u"COMEX"_s, u"FUTURE"_s, u"USD"_s, Market::us, 2650, 0.01),
                  u"Gold"_s, u"Gold Futures"_s),
        other(u"BTC-USD"_s, u"Bitcoin USD"_s, u"CCC"_s, u"CCC"_s, u"CRYPTOCURRENCY"_s, u"USD"_s,
              Market::crypto, 95000, 0.03),
        // The default watchlist.
        withSplit(withDividend(american(u"NVDA"_s, u"NVIDIA Corporation"_s, u"NVIDIA Corporation"_s, u"NMS"_s,
                                        130, 0.03),
                               0.01, 3, 5),
                  u"10:1"_s, 40),
        withDividend(korean(u"005930.KS"_s, u"삼성전자"_s, u"삼성전자(주)"_s, 72000, 0.018), 361, 3, 28),
        withDividend(korean(u"000660.KS"_s, u"SK하이닉스"_s, u"SK하이닉스(주)"_s, 185000, 0.025), 375, 3, 28),
        // KOSPI listings.
        korean(u"005935.KS"_s, u"삼성전자우"_s, u"삼성전자(주) 우선주"_s, 58000, 0.016),
        korean(u"035420.KS"_s, u"NAVER"_s, u"NAVER(주)"_s, 205000),
        korean(u"035720.KS"_s, u"Kakao"_s, u"(주)카카오"_s, 41000, 0.022),
        withDividend(korean(u"005380.KS"_s, u"현대차"_s, u"현대자동차(주)"_s, 205000), 2000, 3, 28),
        korean(u"000270.KS"_s, u"기아"_s, u"기아(주)"_s, 95000),
        korean(u"051910.KS"_s, u"LG화학"_s, u"(주)LG화학"_s, 320000, 0.025),
        korean(u"006400.KS"_s, u"삼성SDI"_s, u"삼성에스디아이(주)"_s, 280000, 0.025),
        korean(u"207940.KS"_s, u"삼성바이오로직스"_s, u"삼성바이오로직스(주)"_s, 780000, 0.018),
        korean(u"068270.KS"_s, u"셀트리온"_s, u"㈜셀트리온"_s, 180000),
        korean(u"105560.KS"_s, u"KB금융"_s, u"(주)KB금융지주"_s, 78000, 0.015),
        korean(u"055550.KS"_s, u"신한지주"_s, u"㈜신한금융지주회사"_s, 52000, 0.015),
        korean(u"012330.KS"_s, u"현대모비스"_s, u"현대모비스(주)"_s, 240000),
        korean(u"066570.KS"_s, u"LG전자"_s, u"LG전자(주)"_s, 95000),
        korean(u"003550.KS"_s, u"LG"_s, u"(주)LG"_s, 80000, 0.015),
        korean(u"017670.KS"_s, u"SK텔레콤"_s, u"에스케이텔레콤(주)"_s, 55000, 0.01),
        korean(u"015760.KS"_s, u"한국전력"_s, u"한국전력공사"_s, 22000),
        korean(u"034730.KS"_s, u"SK"_s, u"SK(주)"_s, 160000),
        korean(u"000880.KS"_s, u"한화"_s, u"㈜ 한화"_s, 28000),
        korean(u"009150.KS"_s, u"삼성전기"_s, u"삼성전기(주)"_s, 150000),
        korean(u"028260.KS"_s, u"삼성물산"_s, u"삼성물산(주)"_s, 135000),
        korean(u"373220.KS"_s, u"LG에너지솔루션"_s, u"(주)LG에너지솔루션"_s, 380000, 0.025),
        korean(u"005490.KS"_s, u"POSCO Holdings"_s, u"포스코홀딩스(주)"_s, 330000),
        korean(u"032830.KS"_s, u"삼성생명"_s, u"삼성생명보험(주)"_s, 90000, 0.015),
        korean(u"086790.KS"_s, u"하나금융지주"_s, u"(주)하나금융지주"_s, 60000, 0.015),
        withNames(
            other(u"069500.KS"_s, {}, u"KSC"_s, u"KSE"_s, u"ETF"_s, u"KRW"_s, Market::krx, 35000, 0.01, 0),
            u"KODEX 200"_s, u"삼성KODEX200증권상장지수투자신탁[주식]"_s),
        // KOSDAQ listings.
        korean(u"247540.KQ"_s, u"에코프로비엠"_s, u"(주)에코프로비엠"_s, 130000, 0.035),
        korean(u"086520.KQ"_s, u"에코프로"_s, u"(주)에코프로"_s, 85000, 0.04),
        korean(u"091990.KQ"_s, u"Celltrion Healthcare"_s, u"셀트리온헬스케어(주)"_s, 68000, 0.025),
        korean(u"293490.KQ"_s, u"카카오게임즈"_s, u"(주)카카오게임즈"_s, 18000, 0.03),
        korean(u"035900.KQ"_s, u"JYP Ent."_s, u"(주)제이와이피엔터테인먼트"_s, 70000, 0.03),
        korean(u"196170.KQ"_s, u"알테오젠"_s, u"(주)알테오젠"_s, 320000, 0.04),
        korean(u"028300.KQ"_s, u"HLB"_s, u"에이치엘비(주)"_s, 75000, 0.04),
        korean(u"263750.KQ"_s, u"펄어비스"_s, u"(주)펄어비스"_s, 35000, 0.03),
        korean(u"041510.KQ"_s, u"SM Entertainment"_s, u"(주)에스엠엔터테인먼트"_s, 75000, 0.03),
        korean(u"357780.KQ"_s, u"솔브레인"_s, u"솔브레인(주)"_s, 230000, 0.03),
        korean(u"403870.KQ"_s, u"HPSP"_s, u"HPSP Co., Ltd."_s, 28000, 0.04),
        // US shares, English names only.
        withDividend(american(u"AAPL"_s, u"Apple Inc."_s, u"Apple Inc."_s, u"NMS"_s, 228, 0.017), 0.24, 2,
                     10),
        withDividend(
            american(u"MSFT"_s, u"Microsoft Corporation"_s, u"Microsoft Corporation"_s, u"NMS"_s, 420, 0.016),
            0.83, 2, 15),
        american(u"GOOGL"_s, u"Alphabet Inc."_s, u"Alphabet Inc."_s, u"NMS"_s, 175, 0.019),
        american(u"AMZN"_s, u"Amazon.com, Inc."_s, u"Amazon.com, Inc."_s, u"NMS"_s, 200, 0.02),
        american(u"META"_s, u"Meta Platforms, Inc."_s, u"Meta Platforms, Inc."_s, u"NMS"_s, 580, 0.024),
        american(u"TSLA"_s, u"Tesla, Inc."_s, u"Tesla, Inc."_s, u"NMS"_s, 350, 0.04),
        american(u"BRK-B"_s, u"Berkshire Hathaway Inc. New"_s, u"Berkshire Hathaway Inc."_s, u"NYQ"_s, 470,
                 0.01),
        withDividend(
            american(u"JPM"_s, u"JP Morgan Chase & Co."_s, u"JPMorgan Chase & Co."_s, u"NYQ"_s, 240, 0.014),
            1.25, 1, 6),
        american(u"V"_s, u"Visa Inc."_s, u"Visa Inc."_s, u"NYQ"_s, 310, 0.013),
        withDividend(
            american(u"KO"_s, u"Coca-Cola Company (The)"_s, u"The Coca-Cola Company"_s, u"NYQ"_s, 62, 0.009),
            0.485, 3, 14),
        american(u"AMD"_s, u"Advanced Micro Devices, Inc."_s, u"Advanced Micro Devices, Inc."_s, u"NMS"_s,
                 135, 0.032),
        american(u"INTC"_s, u"Intel Corporation"_s, u"Intel Corporation"_s, u"NMS"_s, 22, 0.03),
        american(u"NFLX"_s, u"Netflix, Inc."_s, u"Netflix, Inc."_s, u"NMS"_s, 880, 0.025),
        withSplit(american(u"AVGO"_s, u"Broadcom Inc."_s, u"Broadcom Inc."_s, u"NMS"_s, 170, 0.03), u"10:1"_s,
                  150),
        american(u"TSM"_s, u"Taiwan Semiconductor Manufacturing"_s,
                 u"Taiwan Semiconductor Manufacturing Company Limited"_s, u"NYQ"_s, 190, 0.025),
        american(u"PLTR"_s, u"Palantir Technologies Inc."_s, u"Palantir Technologies Inc."_s, u"NMS"_s, 65,
                 0.045),
        american(u"COIN"_s, u"Coinbase Global, Inc."_s, u"Coinbase Global, Inc."_s, u"NMS"_s, 280, 0.05),
        withNames(other(u"SPY"_s, {}, u"PCX"_s, u"NYSEArca"_s, u"ETF"_s, u"USD"_s, Market::us, 590, 0.009),
                  u"SPDR S&P 500"_s, u"SPDR S&P 500 ETF Trust"_s),
        withNames(other(u"QQQ"_s, {}, u"NMS"_s, u"NASDAQ"_s, u"ETF"_s, u"USD"_s, Market::us, 505, 0.012),
                  u"Invesco QQQ Trust, Series 1"_s, u"Invesco QQQ Trust"_s),
        // More indices, currencies, futures and coins.
        other(u"^DJI"_s, u"Dow Jones Industrial Average"_s, u"DJI"_s, u"Dow Jones"_s, index, u"USD"_s,
              Market::us, 43000, 0.008),
        other(u"^SOX"_s, u"PHLX Semiconductor"_s, u"NIM"_s, u"Nasdaq GIDS"_s, index, u"USD"_s, Market::us,
              5000, 0.018),
        withNames(
            other(u"JPYKRW=X"_s, {}, u"CCY"_s, u"CCY"_s, u"CURRENCY"_s, u"KRW"_s, Market::fx, 9.1, 0.005, 4),
            u"JPY/KRW"_s, {}),
        withNames(
            other(u"EURKRW=X"_s, {}, u"CCY"_s, u"CCY"_s, u"CURRENCY"_s, u"KRW"_s, Market::fx, 1450, 0.005),
            u"EUR/KRW"_s, {}),
        withNames(other(u"SI=F"_s, {}, u"CMX"_s, u"COMEX"_s, u"FUTURE"_s, u"USD"_s, Market::us, 31, 0.018, 3),
                  u"Silver"_s, u"Silver Futures"_s),
        other(u"ETH-USD"_s, u"Ethereum USD"_s, u"CCC"_s, u"CCC"_s, u"CRYPTOCURRENCY"_s, u"USD"_s,
              Market::crypto, 3300, 0.04),
    };
}

constexpr qint64 hour = 3600;
constexpr qint64 day = 24 * hour;

NewsStory story(const QString& uuid, const QString& title, const QString& publisher, const QString& link,
                qint64 ageSeconds, const QStringList& symbols)
{
    return {uuid, title, publisher, link, ageSeconds, symbols};
}

QString newsLink(const QString& slug)
{
    return u"https://news.example.com/markets/"_s + slug + u".html"_s;
}

// Deliberately not sorted by time: readers sort the headlines themselves.
QList<NewsStory> makeNews()
{
    const QStringList chips{u"005930.KS"_s, u"000660.KS"_s};
    const QStringList ai{u"NVDA"_s, u"AAPL"_s};
    return {
        story(u"b1f0c3a2-0001"_s, u"Nvidia unveils next-generation AI chips at developer conference"_s,
              u"Reuters"_s, newsLink(u"nvidia-next-generation-ai-chips"_s), 2 * hour, {u"NVDA"_s}),
        story(u"b1f0c3a2-0002"_s, u"Big Tech earnings: what to watch this week"_s, u"Yahoo Finance"_s,
              newsLink(u"big-tech-earnings-week"_s), 20 * hour, ai),
        story(u"b1f0c3a2-0003"_s, u"Nvidia shares slip as investors weigh export rules"_s, u"Bloomberg"_s,
              newsLink(u"nvidia-export-rules"_s), 5 * day, {u"NVDA"_s}),
        story(u"b1f0c3a2-0004"_s, u"Chip stocks rally after upbeat demand outlook"_s, {},
              newsLink(u"chip-stocks-rally"_s), 30 * hour, {u"NVDA"_s, u"AMD"_s}),
        story(u"b1f0c3a2-0005"_s, u"Nvidia options traders brace for volatility"_s, u"Barron's"_s, {},
              9 * day, {u"NVDA"_s}),
        story(u"b1f0c3a2-0006"_s, u"Apple supplier orders point to steady iPhone demand"_s, u"Reuters"_s,
              newsLink(u"apple-supplier-orders"_s), 6 * hour, {u"AAPL"_s}),
        story(u"b1f0c3a2-0007"_s, u"Apple declares quarterly dividend"_s, u"Business Wire"_s,
              newsLink(u"apple-quarterly-dividend"_s), 12 * day, {u"AAPL"_s}),
        story(u"b1f0c3a2-0008"_s, u"Apple app store changes draw regulator scrutiny"_s, u"Reuters"_s,
              u"http://[not-a-link"_s, 2 * day, {u"AAPL"_s}),
        story(u"b1f0c3a2-0009"_s, u"반도체 수출 석 달 연속 증가…메모리 가격 반등"_s, u"연합뉴스"_s,
              newsLink(u"kr-chip-exports"_s), 3 * hour, chips),
        story(u"b1f0c3a2-0010"_s, u"삼성전자, 분기 배당 361원 결정"_s, u"한국경제"_s,
              newsLink(u"samsung-dividend"_s), 26 * hour, {u"005930.KS"_s}),
        story(u"b1f0c3a2-0011"_s, u"삼성전자 외국인 순매수 전환"_s, {}, {}, 50 * hour, {u"005930.KS"_s}),
        story(u"b1f0c3a2-0012"_s, u"SK하이닉스, HBM 공급 확대 계획 발표"_s, u"매일경제"_s,
              newsLink(u"sk-hynix-hbm"_s), 8 * hour, {u"000660.KS"_s}),
        story(u"b1f0c3a2-0013"_s, u"SK하이닉스 목표주가 상향 잇따라"_s, u"머니투데이"_s,
              newsLink(u"sk-hynix-target"_s), 7 * day, {u"000660.KS"_s}),
        story(u"b1f0c3a2-0014"_s, u"코스피, 외국인 매수에 2,600선 회복"_s, u"연합뉴스"_s,
              newsLink(u"kospi-2600"_s), 1 * hour, {u"^KS11"_s}),
        story(u"b1f0c3a2-0015"_s, u"Bitcoin climbs as ETF inflows accelerate"_s, u"CoinDesk"_s,
              newsLink(u"bitcoin-etf-inflows"_s), 4 * hour, {u"BTC-USD"_s, u"COIN"_s}),
        story(u"b1f0c3a2-0016"_s, u"Tesla deliveries beat estimates"_s, u"Reuters"_s,
              newsLink(u"tesla-deliveries"_s), 40 * hour, {u"TSLA"_s}),
        story(u"b1f0c3a2-0017"_s, u"Tesla robotaxi event set for autumn"_s, u"Bloomberg"_s, {}, 15 * day,
              {u"TSLA"_s}),
        story(u"b1f0c3a2-0018"_s, u"에코프로비엠, 양극재 수주 공시"_s, u"한국경제"_s,
              newsLink(u"ecoprobm-order"_s), 10 * hour, {u"247540.KQ"_s}),
        story(u"b1f0c3a2-0019"_s, u"Microsoft expands cloud AI partnership"_s, u"Yahoo Finance"_s,
              newsLink(u"microsoft-cloud-ai"_s), 3 * day, {u"MSFT"_s}),
        story(u"b1f0c3a2-0020"_s, u"Oil steadies as supply concerns ease"_s, u"Reuters"_s,
              newsLink(u"oil-steadies"_s), 5 * hour, {u"CL=F"_s}),
        story(u"b1f0c3a2-0021"_s, u"원·달러 환율 1,380원대 등락"_s, u"연합뉴스"_s,
              newsLink(u"krw-usd-1380"_s), 2 * hour, {u"KRW=X"_s}),
    };
}

bool contains(const QString& text, const QString& query)
{
    return !text.isEmpty() && text.contains(query, Qt::CaseInsensitive);
}

} // namespace

namespace Catalogue {

const QList<Security>& securities()
{
    static const QList<Security> list = makeSecurities();
    return list;
}

const QList<NewsStory>& news()
{
    static const QList<NewsStory> list = makeNews();
    return list;
}

const Security* find(const QString& symbol)
{
    for (const Security& s : securities()) {
        if (s.symbol.compare(symbol, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

QList<const Security*> search(const QString& query)
{
    QList<const Security*> hits;
    const QString q = query.trimmed();
    if (q.isEmpty())
        return hits;
    if (const Security* exact = find(q))
        hits.append(exact);
    for (const Security& s : securities()) {
        if (&s == hits.value(0))
            continue;
        if (contains(s.symbol, q) || contains(s.shortName, q) || contains(s.longName, q))
            hits.append(&s);
    }
    return hits;
}

QList<const NewsStory*> newsAbout(const QStringList& symbols)
{
    QList<const NewsStory*> stories;
    for (const NewsStory& story : news()) {
        const bool related = std::any_of(symbols.begin(), symbols.end(), [&](const QString& symbol) {
            return story.symbols.contains(symbol);
        });
        if (related)
            stories.append(&story);
    }
    return stories;
}

} // namespace Catalogue
} // namespace virel::fake
