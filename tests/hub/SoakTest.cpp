// Many clients at once on one chain, and the transfer time-out: the tests that take their time
// (label slow).

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/hub/HubFixture.h"
#include "tests/support/HubClient.h"

namespace HubTest {
namespace {

int soakSeconds() {
    const char* text = std::getenv("QUORVIN_HUB_SOAK_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 20;
    return seconds > 0 ? seconds : 20;
}

struct Ask {
    const char* operation;
    const char* body;
    // The result's JSON type: what another request's reply would not have.
    json::value_t result;
};

const Ask ASKS[] = {
    {"getPanTilt", "", json::value_t::object},
    {"getZoom", "", json::value_t::number_float},
    {"getWBMode", "", json::value_t::string},
    {"getGain", "", json::value_t::number_integer},
    {"setBright", R"({"bright":9})", json::value_t::null},
    {"getPowerState", "", json::value_t::boolean},
};

// An unsigned number is an integer too.
json::value_t kindOf(const json& value) {
    return value.is_number_unsigned() ? json::value_t::number_integer : value.type();
}

TEST(HubSoak, FiftyClientsOnAChainOfThreeAreEachAnsweredWithTheirOwnReplies) {
    ChainOptions o;
    o.adjust = [](Hub::Config& config) { config.limits.clients = 64; };
    HubOnChain chain(o);
    ASSERT_TRUE(chain.waitOnline("cam3"));
    const auto end = Clock::now() + std::chrono::seconds(soakSeconds());
    std::atomic<long> sent{0};
    std::atomic<long> answered{0};
    std::atomic<long> wrong{0};
    std::vector<std::string> mistakes;
    std::mutex mistakeMutex;
    std::vector<std::thread> clients;
    for (int c = 0; c < 50; ++c) {
        clients.emplace_back([&, c] {
            TestSupport::HttpClient client(chain.port());
            for (int i = 0; Clock::now() < end; ++i) {
                const std::string camera = "cam" + std::to_string((c + i) % 3 + 1);
                const Ask& ask = ASKS[static_cast<std::size_t>(c * 7 + i) % std::size(ASKS)];
                ++sent;
                const TestSupport::HttpReply reply = client.request(
                    "POST", "/api/cameras/" + camera + "/" + ask.operation, ask.body);
                if (reply.status == 0) {
                    continue;
                }
                ++answered;
                const json body = json::parse(reply.body, nullptr, false);
                const bool right = reply.status == 200 && body.value("camera", "") == camera &&
                                   body.value("operation", "") == ask.operation &&
                                   kindOf(body["result"]) == ask.result;
                if (!right) {
                    ++wrong;
                    std::lock_guard<std::mutex> lock(mistakeMutex);
                    if (mistakes.size() < 5) {
                        mistakes.push_back(camera + " " + ask.operation + ": " +
                                           std::to_string(reply.status) + " " + reply.body);
                    }
                }
            }
        });
    }
    for (auto& t : clients) {
        t.join();
    }
    std::printf("[figure] 50 clients for %d s: %ld requests, %ld answered, %ld wrong\n",
                soakSeconds(), sent.load(), answered.load(), wrong.load());
    EXPECT_EQ(answered.load(), sent.load()) << "requests lost";
    EXPECT_EQ(wrong.load(), 0) << (mistakes.empty() ? "" : mistakes.front());
    EXPECT_GT(sent.load(), 500);
}

TEST(HubSlowFaults, RequestToASilentCameraTimesOutWith504ThenTheNextFailAtOnce) {
    HubOnChain chain;
    ASSERT_TRUE(chain.waitOnline());
    chain.camera->setFault(Camsim::Fault::Silent);
    const TestSupport::HttpReply timedOut =
        TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam1/getZoom");
    EXPECT_EQ(timedOut.status, 504);
    EXPECT_NE(timedOut.body.find("timeout"), std::string::npos) << timedOut.body;
    const auto failedAt = Clock::now();
    ASSERT_FALSE(chain.events.waitFor(health("cam2", "offline"), std::chrono::seconds(1)).is_null())
        << "offline within 1 s of the failed exchange";
    std::printf("[figure] failed exchange to offline: %.1f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - failedAt).count());
    const auto asked = Clock::now();
    EXPECT_EQ(TestSupport::httpRequest(chain.port(), "POST", "/api/cameras/cam2/getZoom").status,
              503);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - asked).count(), 1.0);
}

}  // namespace
}  // namespace HubTest
