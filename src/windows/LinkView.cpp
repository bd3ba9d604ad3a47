#include "windows/LinkView.h"

#include "account/AccountService.h"
#include "windows/Spinner.h"
#include "windows/SymbolIcons.h"
#include "windows/WindowStyle.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace virel {

namespace {

constexpr int kContentWidth = 340;
constexpr int kPadding = 24;
constexpr int kSubheadline = 12;

// The rounded, faintly tinted box behind the code.
class CodeBox final : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = palette().color(QPalette::WindowText);
        fill.setAlphaF(0.06F);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), 10, 10);
    }
};

QVBoxLayout* centredColumn(QWidget* page, int spacing)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    layout->setAlignment(Qt::AlignHCenter);
    return layout;
}

QLabel* centredLabel(const QString& text, int pixelSize, WindowStyle::Tone tone, QWidget* parent,
                     QFont::Weight weight = QFont::Normal)
{
    auto* label = new QLabel(text, parent);
    WindowStyle::styleLabel(label, pixelSize, tone, weight);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// A widget centred in its own row of `layout`.
void addCentred(QVBoxLayout* layout, QWidget* widget)
{
    layout->addWidget(widget, 0, Qt::AlignHCenter);
}

} // namespace

LinkView::LinkView(AccountService& account, const Clock& clock, Intervals intervals, QWidget* parent)
    : QWidget(parent), m_account(account), m_clock(clock), m_intervals(intervals)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_pages[static_cast<int>(Page::preparing)] = buildPreparing();
    m_pages[static_cast<int>(Page::waiting)] = buildWaiting();
    m_pages[static_cast<int>(Page::success)] = buildSuccess();
    m_pages[static_cast<int>(Page::failure)] = buildFailure();
    for (QWidget* page : m_pages) {
        page->setFixedWidth(kContentWidth);
        page->hide();
        layout->addWidget(page);
    }
    m_countdownTimer.setInterval(m_intervals.countdownTick);
    connect(&m_countdownTimer, &QTimer::timeout, this, &LinkView::updateCountdown);
    connect(&m_account, &AccountService::userChanged, this, &LinkView::refresh);
    connect(&m_account, &AccountService::linkStateChanged, this, &LinkView::refresh);
    refresh();
}

QWidget* LinkView::buildPreparing()
{
    auto* page = new QWidget(this);
    auto* layout = centredColumn(page, 12);
    addCentred(layout, new Spinner(28, page));
    layout->addWidget(centredLabel(QStringLiteral("Virel 연결 준비 중…"), kSubheadline,
                                   WindowStyle::Tone::secondary, page));
    return page;
}

QWidget* LinkView::buildWaiting()
{
    auto* page = new QWidget(this);
    auto* layout = centredColumn(page, 14);
    layout->addWidget(
        centredLabel(QStringLiteral("브라우저에서 Virel에 로그인한 뒤\n아래 코드를 입력해 주세요."),
                     kSubheadline, WindowStyle::Tone::secondary, page));

    auto* box = new CodeBox(page);
    auto* boxLayout = new QHBoxLayout(box);
    boxLayout->setContentsMargins(18, 10, 18, 10);
    boxLayout->setSpacing(10);
    m_code = new QLabel(box);
    QFont codeFont = WindowStyle::monospacedFont(30, QFont::Bold);
    codeFont.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    m_code->setFont(codeFont);
    m_code->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_code->setCursor(Qt::IBeamCursor);
    boxLayout->addWidget(m_code);
    m_copy = new QToolButton(box);
    m_copy->setAutoRaise(true);
    m_copy->setIconSize(QSize(18, 18));
    m_copy->setToolTip(QStringLiteral("코드 복사"));
    connect(m_copy, &QToolButton::clicked, this, &LinkView::copyCode);
    boxLayout->addWidget(m_copy);
    setCopied(false);
    addCentred(layout, box);

    auto* address = new QWidget(page);
    auto* addressLayout = new QHBoxLayout(address);
    addressLayout->setContentsMargins(0, 0, 0, 0);
    addressLayout->setSpacing(4);
    m_address = new QLabel(address);
    WindowStyle::styleLabel(m_address, kSubheadline, WindowStyle::Tone::secondary);
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_address->setCursor(Qt::IBeamCursor);
    addressLayout->addWidget(m_address);
    m_copyAddress = new QToolButton(address);
    m_copyAddress->setAutoRaise(true);
    m_copyAddress->setIconSize(QSize(14, 14));
    m_copyAddress->setIcon(SymbolIcons::icon(Symbol::copy));
    m_copyAddress->setToolTip(QStringLiteral("주소 복사"));
    connect(m_copyAddress, &QToolButton::clicked, this, &LinkView::copyAddress);
    addressLayout->addWidget(m_copyAddress);
    addCentred(layout, address);
    m_browserFailure = centredLabel(QStringLiteral("브라우저를 열지 못했습니다. 위 주소를 직접 열어 주세요."),
                                    kSubheadline, WindowStyle::Tone::primary, page);
    WindowStyle::setTextColor(m_browserFailure, WindowStyle::systemOrange());
    m_browserFailure->hide();
    layout->addWidget(m_browserFailure);

    auto* status = new QWidget(page);
    auto* statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLayout->setSpacing(6);
    statusLayout->addWidget(new Spinner(12, status));
    auto* waitingLabel = new QLabel(QStringLiteral("승인 대기 중 ·"), status);
    WindowStyle::styleLabel(waitingLabel, kSubheadline, WindowStyle::Tone::secondary);
    statusLayout->addWidget(waitingLabel);
    m_countdown = new QLabel(status);
    WindowStyle::styleLabel(m_countdown, kSubheadline, WindowStyle::Tone::secondary);
    statusLayout->addWidget(m_countdown);
    addCentred(layout, status);

    m_reopen = new QPushButton(QStringLiteral("승인 페이지 다시 열기"), page);
    m_reopen->setFlat(true);
    m_reopen->setCursor(Qt::PointingHandCursor);
    m_reopen->setFont(WindowStyle::font(13));
    WindowStyle::setTextColor(m_reopen, palette().color(QPalette::Link));
    connect(m_reopen, &QPushButton::clicked, this, [this] {
        m_browserFailure->hide();
        WindowStyle::openWebUrl(m_account.linkState().verificationURL);
    });
    addCentred(layout, m_reopen);
    return page;
}

QWidget* LinkView::buildSuccess()
{
    auto* page = new QWidget(this);
    auto* layout = centredColumn(page, 12);
    addCentred(layout, new SymbolView(Symbol::checkmarkCircleFill, WindowStyle::systemGreen(), 36, page));
    layout->addWidget(centredLabel(QStringLiteral("기기가 연결되었습니다"), 14, WindowStyle::Tone::primary,
                                   page, QFont::DemiBold));
    m_email = centredLabel(QString(), kSubheadline, WindowStyle::Tone::secondary, page);
    layout->addWidget(m_email);
    m_done = new QPushButton(QStringLiteral("완료"), page);
    m_done->setDefault(true);
    connect(m_done, &QPushButton::clicked, this, &LinkView::closeRequested);
    addCentred(layout, m_done);
    return page;
}

QWidget* LinkView::buildFailure()
{
    auto* page = new QWidget(this);
    auto* layout = centredColumn(page, 12);
    addCentred(layout, new SymbolView(Symbol::warningFill, WindowStyle::systemOrange(), 30, page));
    m_message = centredLabel(QString(), kSubheadline, WindowStyle::Tone::primary, page);
    m_message->setWordWrap(true);
    layout->addWidget(m_message);
    auto* buttons = new QWidget(page);
    auto* buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->setContentsMargins(0, 0, 0, 0);
    m_close = new QPushButton(QStringLiteral("닫기"), buttons);
    m_retry = new QPushButton(QStringLiteral("다시 시도"), buttons);
    m_retry->setDefault(true);
    buttonLayout->addWidget(m_close);
    buttonLayout->addWidget(m_retry);
    connect(m_close, &QPushButton::clicked, this, &LinkView::closeRequested);
    connect(m_retry, &QPushButton::clicked, this, [this] { m_account.beginLink(); });
    addCentred(layout, buttons);
    return page;
}

void LinkView::refresh()
{
    if (const auto& user = m_account.user()) {
        m_email->setText(user->email);
        m_email->setVisible(!user->email.isEmpty());
        showPage(Page::success);
        return;
    }
    const LinkState& state = m_account.linkState();
    switch (state.kind) {
    case LinkState::Kind::idle:
    case LinkState::Kind::starting:
        showPage(Page::preparing);
        break;
    case LinkState::Kind::waiting:
        if (state.userCode != m_code->text()) {
            m_browserFailure->hide(); // a new code, opened anew
        }
        m_code->setText(state.userCode);
        m_address->setText(state.verificationURL.toDisplayString());
        updateCountdown();
        showPage(Page::waiting);
        break;
    case LinkState::Kind::failed:
        m_message->setText(state.message);
        showPage(Page::failure);
        break;
    }
}

void LinkView::showPage(Page page)
{
    QWidget* shown = m_pages[static_cast<int>(page)];
    const bool entering = shown->isHidden();
    m_page = page;
    for (QWidget* other : m_pages) {
        if (other != shown) {
            other->hide();
        }
    }
    shown->show();
    if (page == Page::waiting) {
        m_countdownTimer.start();
    } else {
        m_countdownTimer.stop();
    }
    // Success closes the window by itself after a moment, whatever happens meanwhile.
    if (entering && page == Page::success) {
        QTimer::singleShot(m_intervals.successClose, this, &LinkView::closeRequested);
    }
}

void LinkView::copyCode()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_code->text());
    setCopied(true);
    // Every press starts its own reset; a later press does not extend an earlier check mark.
    QTimer::singleShot(m_intervals.copiedReset, this, [this] { setCopied(false); });
}

void LinkView::setCopied(bool copied)
{
    m_copied = copied;
    m_copy->setIcon(SymbolIcons::icon(copied ? Symbol::checkmark : Symbol::copy));
}

void LinkView::copyAddress()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_address->text());
    m_copyAddress->setIcon(SymbolIcons::icon(Symbol::checkmark));
    QTimer::singleShot(m_intervals.copiedReset, m_copyAddress,
                       [this] { m_copyAddress->setIcon(SymbolIcons::icon(Symbol::copy)); });
}

bool LinkView::browserFailed(const QUrl& url)
{
    if (m_page != Page::waiting || url != m_account.linkState().verificationURL) {
        return false;
    }
    m_browserFailure->show();
    return true;
}

void LinkView::updateCountdown()
{
    const QDateTime& expiresAt = m_account.linkState().expiresAt;
    const qint64 leftMs = expiresAt.isValid() ? m_clock.now().msecsTo(expiresAt) : 0;
    // Rounded up, so a fresh ten-minute code shows "10:00" and "0:00" means it has run out.
    m_countdown->setText(countdown(std::chrono::seconds(leftMs > 0 ? (leftMs + 999) / 1000 : 0)));
}

QString LinkView::countdown(std::chrono::seconds left)
{
    const qint64 total = std::max<qint64>(0, left.count());
    const qint64 hours = total / 3600;
    const QString minutes = QString::number(total % 3600 / 60);
    const QString seconds = QStringLiteral("%1").arg(total % 60, 2, 10, QLatin1Char('0'));
    if (hours > 0) {
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes.rightJustified(2, QLatin1Char('0')), seconds);
    }
    return minutes + u':' + seconds;
}

QString LinkView::countdownText() const
{
    return m_countdown->text();
}

QString LinkView::codeText() const
{
    return m_code->text();
}

QString LinkView::failureText() const
{
    return m_message->text();
}

QString LinkView::addressText() const
{
    return m_address->text();
}

bool LinkView::browserFailureShown() const
{
    return !m_browserFailure->isHidden();
}

QString LinkView::emailText() const
{
    return m_email->isHidden() ? QString() : m_email->text();
}

void LinkView::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_page == Page::success) {
        m_done->click();
    } else if (enter && m_page == Page::failure) {
        m_retry->click();
    } else if (event->key() == Qt::Key_Escape) {
        emit closeRequested();
    } else {
        QWidget::keyPressEvent(event);
    }
}

} // namespace virel
