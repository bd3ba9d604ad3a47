#pragma once

// The faults every remote path of the application is tried with. Shared by the fault matrix tests.

#include "fakemarket/FakeServer.h"

#include <QList>
#include <QString>
#include <chrono>
#include <optional>

namespace virel::test {

// One way an answer goes wrong. `status` is the HTTP status the client sees; nothing when no usable
// answer arrives at all (a damaged body counts as usable HTTP but fails to decode).
struct FaultCase
{
    QString name;
    fake::Fault fault;
    std::optional<int> status;
};

// Faults that answer at once: statuses and damaged bodies. `wrongTypePath` names the member the
// wrong-type fault retypes (empty: the route's usual suspect).
inline QList<FaultCase> answerFaults(const QString& wrongTypePath = {})
{
    return {
        {QStringLiteral("429"), fake::Fault::withStatus(429), 429},
        {QStringLiteral("500"), fake::Fault::withStatus(500), 500},
        {QStringLiteral("401"), fake::Fault::withStatus(401, R"({"error":"unauthorized"})"), 401},
        {QStringLiteral("truncated JSON"), fake::Fault::truncated(), std::nullopt},
        {QStringLiteral("wrong JSON types"), fake::Fault::wrongType(wrongTypePath), std::nullopt},
        {QStringLiteral("10 MB body"), fake::Fault::huge(), std::nullopt},
    };
}

// Faults the client only ends by its own time limit `idleLimit`: an answer that comes much too late,
// and a server that accepts the request and never answers.
inline QList<FaultCase> silentFaults(std::chrono::milliseconds idleLimit)
{
    return {
        {QStringLiteral("time-out"), fake::Fault::delayed(idleLimit * 4), std::nullopt},
        {QStringLiteral("never answers"), fake::Fault::hanging(), std::nullopt},
    };
}

} // namespace virel::test
