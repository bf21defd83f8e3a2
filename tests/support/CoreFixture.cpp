#include "support/CoreFixture.h"

#include "link/HexMessage.h"

#include <gtest/gtest.h>

namespace corvid::testing {

CoreSession::CoreSession(bool watchDevices)
    : session(SessionEnvironment{.driver = driver,
                                 .clock = clock,
                                 .dialogs = dialogs,
                                 .log = log,
                                 .documents = documents.path().toStdString(),
                                 .watchDevices = watchDevices},
              SessionViews{views, views, views, views, views, views, views, views, views}) {}

CoreSession::~CoreSession() {
    for (const std::vector<std::uint8_t>& bytes : pedal().Unexpected(clock.NowMs())) {
        ADD_FAILURE() << "the pedal got bytes it does not understand: "
                      << BytesToHex(bytes.data(), bytes.size(), " ");
    }
}

void CoreSession::Connect() {
    ASSERT_TRUE(session.Start());
    session.SelectAlgorithm(session.Algorithms().front());
    ASSERT_TRUE(session.Connect());
}

std::vector<std::vector<std::uint8_t>> CoreSession::Messages() {
    std::vector<std::vector<std::uint8_t>> all;
    for (const EmulatedPedal::Message& message : pedal().Messages(clock.NowMs())) {
        all.push_back(message.bytes);
    }
    return all;
}

} // namespace corvid::testing
