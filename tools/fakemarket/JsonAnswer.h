#pragma once

#include <QJsonObject>

namespace virel::fake {

// What one endpoint of the fake market answers, before any injected fault.
struct JsonAnswer
{
    int status = 200;
    QJsonObject body;
};

} // namespace virel::fake
