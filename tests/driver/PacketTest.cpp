#include <gtest/gtest.h>

#include "driver/Packet.h"
#include "tests/support/Hex.h"

using namespace CameraDriver;
using TestSupport::hex;

TEST(Packet, StartsAllZeroAndCopiesOnlyTheGivenBytes) {
    const Packet empty;
    const ViscaCommand command(nullptr, 0);
    const ViscaResponse response(&command);
    const auto five = hex("01 02 03 04 05 06 07");
    const Packet partial(five.data(), 5);
    for (int i = 0; i < PACKET_SIZE; ++i) {
        EXPECT_EQ(empty.get(i), 0) << i;
        EXPECT_EQ(response.getResult().get(i), 0) << i;
        EXPECT_EQ(partial.get(i), i < 5 ? i + 1 : 0) << i;
    }
}

TEST(Packet, ConstructionFromMoreThanItsCapacityIsClipped) {
    std::vector<std::uint8_t> source(40, 0xAB);
    const Packet packet(source.data(), 40);
    EXPECT_EQ(packet.get(PACKET_SIZE - 1), 0xAB);
    const Packet negative(source.data(), -3);
    EXPECT_EQ(negative.get(0), 0);
}

TEST(Packet, LengthCountsUpToTheFirstTerminator) {
    struct Case {
        const char* bytes;
        int length;
    };
    const Case cases[] = {
        {"81 01 04 07 02 FF", 6},
        {"88 30 01 FF", 4},
        {"81 01 FF 02 FF", 3},
        {"00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 FF", 16},
        // No terminator at all: the scan stays inside the packet.
        {"81 01 04 07 02 03 04 05 06 07 08 09 0A 0B 0C 0D", 16},
    };
    for (const Case& c : cases) {
        const auto bytes = hex(c.bytes);
        EXPECT_EQ(ViscaCommand(bytes.data(), static_cast<int>(bytes.size())).length(), c.length)
            << c.bytes;
    }
}

TEST(Packet, ResultIsReturnedAsAnIndependentCopy) {
    const ViscaCommand command(nullptr, 0);
    ViscaResponse response(&command);
    const auto bytes = hex("10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F");
    response.setResult(Packet(bytes.data(), 16));
    Packet copy = response.getResult();
    copy.at(3) = 0x99;
    for (int i = 0; i < PACKET_SIZE; ++i) {
        EXPECT_EQ(response.getResult().get(i), bytes[i]);
    }
    EXPECT_EQ(response.getCommand(), &command);
}
