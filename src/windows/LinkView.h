#pragma once

#include "platform/Clock.h"

#include <QTimer>
#include <QWidget>
#include <chrono>

class QLabel;
class QPushButton;
class QToolButton;

namespace virel {

class AccountService;
class SymbolView;

// The delays of the link window; tests shorten them.
struct LinkViewIntervals
{
    std::chrono::milliseconds copiedReset{1'200};  // how long the copy button shows its check mark
    std::chrono::milliseconds successClose{1'600}; // how long success stays before closing
    std::chrono::milliseconds countdownTick{250};
};

// The content of the device-link window. It follows the account service alone: preparing while a
// link starts, the code with its countdown while the service waits for approval, success once a
// user is signed in, and the failure text with a retry otherwise.
class LinkView : public QWidget
{
    Q_OBJECT

public:
    enum class Page { preparing, waiting, success, failure };

    using Intervals = LinkViewIntervals;

    explicit LinkView(AccountService& account, const Clock& clock = Clock::system(), Intervals intervals = {},
                      QWidget* parent = nullptr);

    Page page() const { return m_page; }
    bool copied() const { return m_copied; }
    // The time left until the code expires, as the countdown shows it ("9:58", "1:00:00").
    QString countdownText() const;
    QString codeText() const;
    QString failureText() const;
    QString emailText() const;
    // The approval address under the code, for opening it elsewhere.
    QString addressText() const;
    bool browserFailureShown() const;
    QToolButton* copyButton() const { return m_copy; }
    QToolButton* copyAddressButton() const { return m_copyAddress; }
    QPushButton* reopenButton() const { return m_reopen; }
    QPushButton* doneButton() const { return m_done; }
    QPushButton* closeButton() const { return m_close; }
    QPushButton* retryButton() const { return m_retry; }

    // Says under the address that the browser did not open, when `url` is the approval address
    // shown; false otherwise.
    bool browserFailed(const QUrl& url);

    // "0:05", "9:59", "1:00:00": hours only when needed, never below zero.
    static QString countdown(std::chrono::seconds left);

signals:
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* buildPreparing();
    QWidget* buildWaiting();
    QWidget* buildSuccess();
    QWidget* buildFailure();
    void refresh();
    void showPage(Page page);
    void copyCode();
    void setCopied(bool copied);
    void copyAddress();
    void updateCountdown();

    AccountService& m_account;
    const Clock& m_clock;
    Intervals m_intervals;
    Page m_page = Page::preparing;
    bool m_copied = false;
    QTimer m_countdownTimer;

    QWidget* m_pages[4] = {};
    QLabel* m_code = nullptr;
    QToolButton* m_copy = nullptr;
    QLabel* m_address = nullptr;
    QToolButton* m_copyAddress = nullptr;
    QLabel* m_browserFailure = nullptr;
    QLabel* m_countdown = nullptr;
    QPushButton* m_reopen = nullptr;
    QLabel* m_email = nullptr;
    QPushButton* m_done = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_retry = nullptr;
};

} // namespace virel
