#include "app/StatusItem.h"

#include "app/StatusIcon.h"
#include "windows/X11TrayHost.h"

#include <QContextMenuEvent>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <utility>

// Exported by QtDBus (its message spies): runs for every method call the application receives, on the
// main thread, before the call is delivered.
void qDBusAddSpyHook(void (*hook)(const QDBusMessage&));

namespace virel {

namespace {

const auto kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// Qt's StatusNotifierItem drops the point a host sends with Activate and ContextMenu (where it was
// clicked); the last one is kept here for the menu that the call opens.
std::optional<QPoint>& hostPoint()
{
    static std::optional<QPoint> point;
    return point;
}

void notePointOfHostCall(const QDBusMessage& call)
{
    const bool asks = call.member() == u"Activate" || call.member() == u"ContextMenu";
    if (asks && call.interface() == u"org.kde.StatusNotifierItem" && call.arguments().size() == 2) {
        hostPoint() = QPoint(call.arguments().at(0).toInt(), call.arguments().at(1).toInt());
    }
}
// A host registers with the watcher a moment after the watcher appears.
constexpr auto kHostSettleTime = std::chrono::milliseconds(250);

} // namespace

StatusItem::StatusItem(QObject* parent)
    : QObject(parent), m_menu(std::make_unique<StatusMenu>()), m_xembedHost(X11TrayHost::create())
{
    setTitle({QStringLiteral("virel"), StatusTitle::Badge::idle});
    m_hostCheck.setSingleShot(true);
    m_hostCheck.setInterval(kHostSettleTime);
    connect(&m_hostCheck, &QTimer::timeout, this, &StatusItem::lookForTrayHost);
    if (m_xembedHost) {
        connect(m_xembedHost.get(), &X11TrayHost::appeared, &m_hostCheck, qOverload<>(&QTimer::start));
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto* watcher =
        new QDBusServiceWatcher(kWatcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, &m_hostCheck, qOverload<>(&QTimer::start));
    bus.connect(kWatcherService, QStringLiteral("/StatusNotifierWatcher"), kWatcherService,
                QStringLiteral("StatusNotifierHostRegistered"), &m_hostCheck, SLOT(start()));
    // A click in another client's window ends the menu even where the pointer grab cannot hold it
    // (XWayland beside native Wayland windows): the application loses the focus the menu took.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive && m_menu->isVisible()) {
            m_menu->close();
        }
    });
    static const bool spying = [] {
        qDBusAddSpyHook(&notePointOfHostCall);
        return true;
    }();
    Q_UNUSED(spying);
    // Qt learns once whether a StatusNotifier host runs and keeps the answer: it is asked only when
    // a host is known to run, so a host that comes later is not missed.
    lookForTrayHost();
}

StatusItem::~StatusItem()
{
    // The tray icon refers to the menu: it goes first.
    delete m_tray;
}

// A StatusNotifier host first: where both run, Qt then takes it for good.
void StatusItem::lookForTrayHost()
{
    const QDBusMessage ask = QDBusMessage::createMethodCall(
                                 kWatcherService, QStringLiteral("/StatusNotifierWatcher"),
                                 QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"))
                             << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* answer = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(ask), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if ((reply.isValid() && reply.value().variant().toBool()) ||
            (m_xembedHost && m_xembedHost->present())) {
            makeTrayIcon();
        }
    });
}

// Once: an icon that exists registers itself with a host that starts anew.
void StatusItem::makeTrayIcon()
{
    if (m_tray || !QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    m_tray = new QSystemTrayIcon(statusIcon(m_title.badge), this);
    m_tray->setToolTip(m_title.text);
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // A host that asks for the menu instead of drawing it gets ours; an XEmbed tray has Qt open
        // it at the click already.
        if (reason == QSystemTrayIcon::Trigger ||
            (reason == QSystemTrayIcon::Context && !m_menu->isVisible())) {
            popUpMenu();
        }
    });
    m_tray->show();
    if (m_strip) {
        m_strip->setToolTip(QString());
    }
}

QPoint StatusItem::menuPosition(const std::optional<QRect>& icon, const std::optional<QRect>& strip,
                                const QSize& menuSize, const QRect& screen)
{
    if (icon && icon->isValid()) {
        const bool inLowerHalf = icon->center().y() > screen.center().y();
        return inLowerHalf ? QPoint(icon->left(), icon->top() - menuSize.height())
                           : icon->bottomLeft() + QPoint(0, 1);
    }
    if (strip) {
        return {strip->x() + (strip->width() - menuSize.width()) / 2, strip->bottom() + 1};
    }
    return {screen.x() + (screen.width() - menuSize.width()) / 2, screen.top()};
}

void StatusItem::popUpMenu()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->geometry() : QRect();
    // The host's point stands for the icon an XEmbed tray reports; it is good for one call only.
    auto icon = hostPoint() ? std::optional(QRect(*std::exchange(hostPoint(), std::nullopt), QSize(1, 1)))
                            : std::nullopt;
    if (!icon && m_tray) {
        icon = m_tray->geometry();
    }
    const auto strip = m_strip && m_strip->isVisible() ? std::optional(m_strip->geometry()) : std::nullopt;
    m_menu->popup(menuPosition(icon, strip, m_menu->sizeHint(), area));
}

void StatusItem::setTitle(const StatusTitle& title)
{
    // Only real changes go out: a tray icon is redrawn by the desktop over D-Bus.
    const bool badgeChanged = !m_drawn || title.badge != m_title.badge;
    const bool textChanged = !m_drawn || title.text != m_title.text;
    m_title = title;
    m_drawn = true;
    if (m_tray && badgeChanged) {
        m_tray->setIcon(statusIcon(title.badge));
    }
    if (textChanged) {
        if (m_tray) {
            m_tray->setToolTip(title.text);
        }
        if (m_strip && !m_tray) {
            m_strip->setToolTip(title.text);
        }
    }
}

void StatusItem::setStrip(QWidget* strip)
{
    if (strip == m_strip) {
        return;
    }
    if (m_strip) {
        m_strip->removeEventFilter(this);
    }
    m_strip = strip;
    if (m_strip) {
        m_strip->installEventFilter(this);
        m_strip->setToolTip(m_tray ? QString() : m_title.text);
    }
}

bool StatusItem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_strip && event->type() == QEvent::ContextMenu) {
        m_menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace virel
