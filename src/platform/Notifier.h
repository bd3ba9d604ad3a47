#pragma once

#include <QString>

namespace virel {

// Local notifications of alerts and of the end of a countdown.
class Notifier
{
public:
    virtual ~Notifier() = default;
    // Whether a notification service exists; without one the engines beep instead of posting.
    virtual bool available() const = 0;
    // Posts at once with the default sound; a later post with the same identifier replaces this one.
    virtual void post(const QString& identifier, const QString& title, const QString& body) = 0;
    virtual void beep() = 0;
    // Whether the server shows its banners at the top centre of the screen, where the glance opens.
    virtual bool bannersAtTopCentre() const { return false; }
};

} // namespace virel
