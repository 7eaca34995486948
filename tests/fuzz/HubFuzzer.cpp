// What the hub reads from its clients with parsers of its own: the datagrams of its served
// VISCA-over-IP ports, and an operation's arguments in JSON. A datagram may only be dropped,
// answered or passed on as one whole VISCA frame; arguments may only be refused with
// ArgumentError, and those taken are of their argument's kind.
//
// Input: a first byte that chooses. Even: the rest is a datagram. Odd: the second byte picks
// an operation of the table and the rest is its arguments as JSON text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <variant>
#include <vector>

#include "hub/ViscaIp.h"
#include "operations/JsonArgs.h"
#include "operations/Operations.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

void datagram(const std::uint8_t* data, std::size_t size) {
    using Hub::ViscaIp::Request;
    const Request request = Hub::ViscaIp::read(data, size);
    if (request.kind == Request::Kind::Exchange) {
        const auto& f = request.frame;
        check(f.size() >= 4 && f.size() <= Hub::ViscaIp::MAX_FRAME);
        check((f[0] & 0xF0) == 0x80 && f[0] != 0x88 && f.back() == 0xFF);
        check(f[1] == 0x01 || f[1] == 0x09);
        for (std::size_t i = 0; i + 1 < f.size(); ++i) {
            check(f[i] != 0xFF);
        }
        // What the camera sends back reaches the client from address 1, frame by frame.
        for (const auto& reply : Hub::ViscaIp::framesFromAddressOne(f)) {
            check(!reply.empty() && reply.back() == 0xFF);
        }
    }
    if (request.kind == Request::Kind::Answer) {
        const auto message = Hub::ViscaIp::datagram(request.replyType, request.sequence,
                                                    request.reply.data(), request.reply.size());
        check(message.size() == Hub::ViscaIp::HEADER + request.reply.size());
    }
}

void arguments(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return;
    }
    const auto& table = Operations::all();
    const Operations::Operation& op = table[data[0] % table.size()];
    const nlohmann::json args =
        nlohmann::json::parse(data + 1, data + size, nullptr, /*allow_exceptions=*/false);
    if (args.is_discarded()) {
        return;
    }
    try {
        const std::vector<Operations::Value> values = Operations::valuesFromJson(op, args);
        check(values.size() == op.args.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            switch (op.args[i].kind) {
                case Operations::ArgKind::Double:
                    check(std::holds_alternative<double>(values[i]));
                    break;
                case Operations::ArgKind::Bool:
                    check(std::holds_alternative<bool>(values[i]));
                    break;
                case Operations::ArgKind::Text:
                    check(std::holds_alternative<std::string>(values[i]));
                    break;
                default:
                    check(std::holds_alternative<long long>(values[i]));
            }
        }
    } catch (const Operations::ArgumentError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    if (data[0] % 2 == 0) {
        datagram(data + 1, size - 1);
    } else {
        arguments(data + 1, size - 1);
    }
    return 0;
}
