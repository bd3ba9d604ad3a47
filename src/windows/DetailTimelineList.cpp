#include "windows/DetailTimelineList.h"

#include "windows/SymbolIcons.h"
#include "windows/WindowStyle.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace virel {

namespace {

constexpr int symbolWidth = 16;

// Fills `widget` with a rounded shape of its text colour at `opacity`, so it reads on light and dark.
void paintTint(QWidget& widget, float opacity, double radius)
{
    QPainter painter(&widget);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = widget.palette().color(QPalette::WindowText);
    fill.setAlphaF(opacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(widget.rect()), radius, radius);
}

// The rounded background grouping the rows of one section.
class SectionCard : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override { paintTint(*this, 0.05F, 8); }
};

// A news row: the whole row is the click target and lights up under the pointer.
class NewsRow : public QAbstractButton
{
public:
    explicit NewsRow(QWidget* parent) : QAbstractButton(parent)
    {
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
    }
    QSize sizeHint() const override { return layout()->sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (underMouse() || hasFocus()) {
            paintTint(*this, isDown() ? 0.10F : 0.05F, 6);
        }
    }
};

QLabel* label(const QString& text, int pixelSize, WindowStyle::Tone tone, QFont::Weight weight,
              QWidget* parent)
{
    auto* result = new QLabel(text, parent);
    WindowStyle::styleLabel(result, pixelSize, tone, weight);
    return result;
}

// A title over a secondary line, as every row shows it.
QVBoxLayout* titleColumn(QLabel* title, QLabel* detail)
{
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addWidget(title);
    column->addWidget(detail);
    return column;
}

QWidget* eventRow(const CorporateEvent& event, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(8);
    const Symbol symbol = event.kind == CorporateEvent::Kind::dividend ? Symbol::banknote : Symbol::branch;
    layout->addWidget(new SymbolView(symbol, WindowStyle::systemOrange(), symbolWidth, row));
    layout->addLayout(titleColumn(
        label(DetailTimelineList::eventTitle(event), 12, WindowStyle::Tone::primary, QFont::Medium, row),
        label(DetailTimelineList::eventDate(event.date), 10, WindowStyle::Tone::secondary, QFont::Normal,
              row)));
    layout->addStretch();
    return row;
}

QWidget* newsRow(const NewsItem& item, QWidget* parent)
{
    auto* row = new NewsRow(parent);
    row->setToolTip(item.url ? item.url->toDisplayString() : QString());
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(8);
    const QColor secondary = WindowStyle::toneColor(row->palette(), WindowStyle::Tone::secondary);
    const QColor tertiary = WindowStyle::toneColor(row->palette(), WindowStyle::Tone::tertiary);
    layout->addWidget(new SymbolView(Symbol::newspaper, secondary, symbolWidth, row), 0, Qt::AlignTop);
    QLabel* title = label(item.title, 12, WindowStyle::Tone::primary, QFont::Medium, row);
    title->setWordWrap(true);
    const QString byline = item.publisher.isEmpty()
                               ? DetailTimelineList::newsTime(item.publishedAt)
                               : item.publisher + u" · " + DetailTimelineList::newsTime(item.publishedAt);
    layout->addLayout(titleColumn(title, label(byline, 10, WindowStyle::Tone::secondary, QFont::Normal, row)),
                      1);
    layout->addWidget(new SymbolView(Symbol::arrowUpRight, tertiary, 9, row), 0, Qt::AlignTop);
    const std::optional<QUrl> url = item.url;
    QObject::connect(row, &QAbstractButton::clicked, row, [url] {
        if (url) {
            WindowStyle::openWebUrl(*url);
        }
    });
    return row;
}

// The locale's long date without the weekday, its month abbreviated.
QString mediumDatePattern(const QLocale& locale)
{
    static const QRegularExpression weekday(QStringLiteral("\\s*dddd[,\\s]*"));
    QString pattern = locale.dateFormat(QLocale::LongFormat);
    pattern.remove(weekday);
    pattern.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return pattern.trimmed();
}

// The same without the year and the text tying the year to the rest.
QString monthDayPattern(const QLocale& locale)
{
    static const QRegularExpression leadingYear(QStringLiteral("^y+[^dM]*"));
    static const QRegularExpression trailingYear(QStringLiteral("[^dM]*y+"));
    QString pattern = mediumDatePattern(locale);
    pattern.remove(pattern.startsWith(u'y') ? leadingYear : trailingYear);
    return pattern.trimmed();
}

// A titled group of rows; a section without rows shows its title alone.
QWidget* section(const QString& title, const QList<QWidget*>& rows, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 6, 0, 6);
    layout->setSpacing(4);
    QLabel* header = label(title, 11, WindowStyle::Tone::secondary, QFont::DemiBold, box);
    header->setContentsMargins(4, 0, 0, 0);
    layout->addWidget(header);
    if (rows.isEmpty()) {
        return box;
    }
    auto* card = new SectionCard(box);
    auto* cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(4, 4, 4, 4);
    cardLayout->setSpacing(0);
    for (QWidget* row : rows) {
        row->setParent(card);
        cardLayout->addWidget(row);
    }
    layout->addWidget(card);
    return box;
}

} // namespace

DetailTimelineList::DetailTimelineList(QWidget* parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The window's own background shows through.
    viewport()->setAutoFillBackground(false);
    setContent({}, {}, false);
}

void DetailTimelineList::setContent(const QList<CorporateEvent>& events, const QList<NewsItem>& news,
                                    bool loading)
{
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 12, 16, 12);
    column->setSpacing(6);
    if (events.isEmpty() && news.isEmpty() && !loading) {
        column->addWidget(
            label(tr("표시할 이벤트가 없습니다"), 12, WindowStyle::Tone::secondary, QFont::Normal, content),
            0, Qt::AlignHCenter);
    }
    if (!events.isEmpty()) {
        QList<QWidget*> rows;
        for (const CorporateEvent& event : events) {
            rows.append(eventRow(event, content));
        }
        column->addWidget(section(tr("기업 이벤트"), rows, content));
    }
    QList<QWidget*> rows;
    for (const NewsItem& item : news) {
        rows.append(newsRow(item, content));
    }
    column->addWidget(section(tr("뉴스"), rows, content));
    column->addStretch();
    setWidget(content);
}

QString DetailTimelineList::eventTitle(const CorporateEvent& event)
{
    const QString kind = CorporateEvent::kindLabel(event.kind);
    return event.detail.isEmpty() ? kind : kind + u" · " + event.detail;
}

QString DetailTimelineList::eventDate(const QDateTime& date, const QLocale& locale)
{
    return locale.toString(date.toLocalTime().date(), mediumDatePattern(locale));
}

QString DetailTimelineList::newsTime(const QDateTime& time, const QLocale& locale)
{
    const QDateTime local = time.toLocalTime();
    return locale.toString(local.date(), monthDayPattern(locale)) + u' ' +
           WindowStyle::hourMinute(local.time(), locale);
}

} // namespace virel
