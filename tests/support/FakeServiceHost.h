#pragma once

#include "fakemarket/FakeServer.h"
#include "fakemarket/FakeService.h"

namespace virel::test {

// The fake Virel service (and market) on a free port of 127.0.0.1, for one test.
class FakeServiceHost
{
public:
    FakeServiceHost() : m_listening(server.listen()) {}

    bool isListening() const { return m_listening; }
    QUrl origin() const { return server.origin(); }

    fake::FakeServer server;
    fake::FakeService service{server};

private:
    bool m_listening;
};

} // namespace virel::test
