#include "tests/support/HubClient.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <stdexcept>

namespace TestSupport {

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;

}  // namespace

struct HttpClient::Impl {
    explicit Impl(std::uint16_t p) : port(p) {}

    // Runs the I/O until `finished` or `limit`; false on the deadline (the stream is closed).
    bool runUntil(bool& finished, std::chrono::milliseconds limit) {
        io.restart();
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!finished && std::chrono::steady_clock::now() < deadline) {
            io.run_one_until(deadline);
        }
        if (!finished) {
            stream.reset();
            io.restart();
            io.poll();
        }
        return finished;
    }

    bool connect(std::chrono::milliseconds limit, std::string& error) {
        if (stream) {
            return true;
        }
        stream.emplace(io);
        bool finished = false;
        beast::error_code result;
        stream->async_connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port),
                              [&](beast::error_code ec) {
                                  result = ec;
                                  finished = true;
                              });
        if (!runUntil(finished, limit) || result) {
            error = result ? result.message() : "connect timed out";
            stream.reset();
            return false;
        }
        return true;
    }

    HttpReply exchange(const std::function<void(std::function<void(beast::error_code)>)>& write,
                       std::chrono::milliseconds limit) {
        HttpReply reply;
        if (!connect(limit, reply.error)) {
            return reply;
        }
        bool finished = false;
        beast::error_code result;
        write([&](beast::error_code ec) {
            result = ec;
            finished = true;
        });
        if (!runUntil(finished, limit) || result) {
            reply.error = result ? result.message() : "write timed out";
            stream.reset();
            return reply;
        }
        http::response_parser<http::string_body> parser;
        parser.body_limit(64 * 1024 * 1024);
        finished = false;
        http::async_read(*stream, buffer, parser, [&](beast::error_code ec, std::size_t) {
            result = ec;
            finished = true;
        });
        if (!runUntil(finished, limit) || result) {
            reply.error = result ? result.message() : "no reply in time";
            stream.reset();
            buffer.consume(buffer.size());
            return reply;
        }
        const auto& response = parser.get();
        reply.status = static_cast<int>(response.result_int());
        reply.body = response.body();
        if (!response.keep_alive()) {
            stream.reset();
            buffer.consume(buffer.size());
        }
        return reply;
    }

    net::io_context io;
    std::uint16_t port;
    std::optional<beast::tcp_stream> stream;
    beast::flat_buffer buffer;
};

HttpClient::HttpClient(std::uint16_t port) : impl(std::make_unique<Impl>(port)) {}
HttpClient::~HttpClient() = default;

HttpReply HttpClient::request(const std::string& method, const std::string& target,
                              const std::string& body, const Headers& headers,
                              std::chrono::milliseconds limit) {
    auto request = std::make_shared<http::request<http::string_body>>(http::string_to_verb(method),
                                                                      target, 11);
    request->set(http::field::host, "127.0.0.1");
    request->keep_alive(true);
    for (const auto& [name, value] : headers) {
        request->set(name, value);
    }
    if (!body.empty()) {
        request->set(http::field::content_type, "application/json");
        request->body() = body;
    }
    request->prepare_payload();
    return impl->exchange(
        [&](std::function<void(beast::error_code)> done) {
            http::async_write(*impl->stream, *request,
                              [request, done](beast::error_code ec, std::size_t) { done(ec); });
        },
        limit);
}

HttpReply HttpClient::raw(const std::string& bytes, std::chrono::milliseconds limit) {
    auto held = std::make_shared<std::string>(bytes);
    return impl->exchange(
        [&](std::function<void(beast::error_code)> done) {
            net::async_write(*impl->stream, net::buffer(*held),
                             [held, done](beast::error_code ec, std::size_t) { done(ec); });
        },
        limit);
}

HttpReply httpRequest(std::uint16_t port, const std::string& method, const std::string& target,
                      const std::string& body, const Headers& headers) {
    HttpClient client(port);
    return client.request(method, target, body, headers);
}

struct WsClient::Impl {
    net::io_context io;
    websocket::stream<beast::tcp_stream> ws{io};
    beast::flat_buffer buffer;
    bool reading = false;
    bool done = false;
    bool isClosed = false;
    beast::error_code error;
};

WsClient::WsClient(std::uint16_t port, const std::string& target, const Headers& headers)
    : impl(std::make_unique<Impl>()) {
    auto& lowest = beast::get_lowest_layer(impl->ws);
    lowest.expires_after(std::chrono::seconds(10));
    lowest.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
    lowest.expires_never();
    impl->ws.set_option(websocket::stream_base::decorator([headers](websocket::request_type& r) {
        for (const auto& [name, value] : headers) {
            r.set(name, value);
        }
    }));
    websocket::response_type response;
    beast::error_code ec;
    impl->ws.handshake(response, "127.0.0.1", target, ec);
    if (ec) {
        throw std::runtime_error("WebSocket refused (" + std::to_string(response.result_int()) +
                                 "): " + ec.message());
    }
    impl->ws.text(true);
}

WsClient::~WsClient() {
    beast::error_code ignored;
    beast::get_lowest_layer(impl->ws).socket().close(ignored);
}

void WsClient::send(const std::string& text) {
    beast::error_code ec;
    impl->ws.write(net::buffer(text), ec);
    if (ec) {
        impl->isClosed = true;
    }
}

std::optional<std::string> WsClient::receive(std::chrono::milliseconds limit) {
    if (impl->isClosed) {
        return std::nullopt;
    }
    if (!impl->reading) {
        impl->reading = true;
        impl->done = false;
        impl->ws.async_read(impl->buffer, [this](beast::error_code ec, std::size_t) {
            impl->reading = false;
            impl->done = true;
            impl->error = ec;
        });
    }
    impl->io.restart();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!impl->done && std::chrono::steady_clock::now() < deadline) {
        impl->io.run_one_until(deadline);
    }
    if (!impl->done) {
        return std::nullopt;
    }
    impl->done = false;
    if (impl->error) {
        impl->isClosed = true;
        return std::nullopt;
    }
    std::string text = beast::buffers_to_string(impl->buffer.data());
    impl->buffer.consume(impl->buffer.size());
    return text;
}

bool WsClient::closed() const { return impl->isClosed; }

}  // namespace TestSupport
