#pragma once

// The contract between the application and its browser plugin. The application never links the
// browser engine: the plugin is loaded the first time a web page is shown, and both sides meet only
// through the abstract types below.

#include <QObject>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <QtPlugin>
#include <functional>
#include <optional>

namespace virel {

// How one persistent browser profile stores its data and how its views behave.
struct WebProfileSettings
{
    QString name;        // the profile's storage name
    QString storagePath; // cookies and local storage live here and survive restarts
    QString cachePath;   // the HTTP cache, which may be thrown away
    QString userAgent;   // sent with every request of every view of the profile
    // Asked before a view follows a link or opens a new window; false keeps the view where it is
    // (the callback has then sent the address elsewhere, or refused it).
    std::function<bool(const QUrl&)> acceptLink;
};

// A persistent browser profile shared by the views created on it. Its views must be destroyed
// before it.
class WebProfile : public QObject
{
public:
    using QObject::QObject;
};

// One browser view.
class WebView : public QWidget
{
public:
    using QWidget::QWidget;

    // Loads `url` unless it is the address last handed over: redrawing with the same address keeps
    // the page the user has navigated to, a different address loads once.
    void setUrl(const QUrl& url)
    {
        if (m_loadedUrl == url) {
            return;
        }
        m_loadedUrl = url;
        load(url);
    }
    const std::optional<QUrl>& loadedUrl() const { return m_loadedUrl; }

protected:
    virtual void load(const QUrl& url) = 0;

private:
    std::optional<QUrl> m_loadedUrl;
};

// What the browser plugin offers.
class WebViewFactory
{
public:
    virtual ~WebViewFactory() = default;

    virtual WebProfile* createProfile(const WebProfileSettings& settings, QObject* parent) = 0;
    // `profile` must come from this factory.
    virtual WebView* createView(WebProfile& profile, QWidget* parent) = 0;
};

} // namespace virel

#define VirelWebViewFactory_iid "app.virel.WebViewFactory/1"
Q_DECLARE_INTERFACE(virel::WebViewFactory, VirelWebViewFactory_iid)
