#pragma once

#include "platform/Notifier.h"

#include <QList>

namespace virel::test {

// Records what the engines would show or play.
class FakeNotifier final : public Notifier
{
public:
    struct Posted
    {
        QString identifier;
        QString title;
        QString body;
        bool operator==(const Posted&) const = default;
    };

    bool available() const override { return serviceExists; }
    void post(const QString& identifier, const QString& title, const QString& body) override
    {
        posted.append({identifier, title, body});
    }
    void beep() override { ++beeps; }
    bool bannersAtTopCentre() const override { return topCentreBanners; }

    bool serviceExists = true;
    bool topCentreBanners = false;
    QList<Posted> posted;
    int beeps = 0;
};

} // namespace virel::test
