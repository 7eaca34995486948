// The one file that holds Boost.Beast: the listener, the HTTP sessions and the WebSocket
// sessions. Beast compiles slowly, so everything that does not need it lives elsewhere.
#include "hub/Server.h"

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "hub/Config.h"
#include "hub/Hub.h"
#include "hub/ViscaIpServer.h"

namespace Hub {

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using nlohmann::json;
using nlohmann::ordered_json;

using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

// A request that has not been read whole by then is dropped: a client that opens a
// connection and sends nothing holds a slot no longer.
constexpr std::chrono::seconds READ_LIMIT{30};
// Commands of one WebSocket client waiting for their result at once.
constexpr std::size_t MAX_COMMANDS_IN_FLIGHT = 64;
// Files of the web folder larger than this are not the page's.
constexpr std::uintmax_t MAX_FILE_BYTES = 16 * 1024 * 1024;

// Compares every byte whatever the first difference, so that the time taken tells nothing
// about how much of a guess was right.
bool sameToken(const std::string& given, const std::string& token) {
    unsigned difference = given.size() == token.size() ? 0u : 1u;
    for (std::size_t i = 0; i < token.size(); ++i) {
        const unsigned char g = i < given.size() ? static_cast<unsigned char>(given[i]) : 0;
        difference |= static_cast<unsigned>(g ^ static_cast<unsigned char>(token[i]));
    }
    return difference == 0;
}

std::vector<std::string> split(beast::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '/') {
            if (!part.empty()) {
                parts.push_back(std::move(part));
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(std::move(part));
    }
    return parts;
}

const char* contentType(const std::string& path) {
    const auto dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    if (ext == "html") return "text/html; charset=utf-8";
    if (ext == "js" || ext == "mjs") return "text/javascript; charset=utf-8";
    if (ext == "css") return "text/css; charset=utf-8";
    if (ext == "json") return "application/json";
    if (ext == "svg") return "image/svg+xml";
    if (ext == "png") return "image/png";
    if (ext == "ico") return "image/x-icon";
    if (ext == "txt") return "text/plain; charset=utf-8";
    return "application/octet-stream";
}

// The file of the web folder that a request path names, or nothing for one that could leave
// the folder or is not plainly a file's name.
std::optional<std::filesystem::path> webFile(const std::string& root, beast::string_view target) {
    std::string path(target.substr(0, target.find('?')));
    if (path == "/") {
        path = "/index.html";
    }
    for (char c : path) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '-' || c == '_';
        if (!ok) {
            return std::nullopt;
        }
    }
    std::filesystem::path file(root);
    for (const std::string& part : split(path)) {
        // No "..", no hidden files.
        if (part.front() == '.') {
            return std::nullopt;
        }
        file /= part;
    }
    std::error_code error;
    const auto base = std::filesystem::canonical(root, error);
    if (error) {
        return std::nullopt;
    }
    const auto real = std::filesystem::canonical(file, error);
    if (error || !std::filesystem::is_regular_file(real, error)) {
        return std::nullopt;
    }
    // A link inside the folder that points out of it is refused too.
    const auto relative = real.lexically_relative(base);
    if (relative.empty() || *relative.begin() == "..") {
        return std::nullopt;
    }
    return real;
}

struct Shared {
    Hub& hub;
    const Config& config;
    std::atomic<std::size_t> clients{0};
};

// One client connection counted against the limit while it lives.
class ClientSlot {
  public:
    explicit ClientSlot(Shared& s) : shared(s) {}
    ~ClientSlot() { shared.clients.fetch_sub(1); }
    ClientSlot(const ClientSlot&) = delete;
    ClientSlot& operator=(const ClientSlot&) = delete;

  private:
    Shared& shared;
};

Response jsonResponse(const Request& request, http::status status, const ordered_json& body) {
    Response response{status, request.version()};
    response.set(http::field::server, "quorvin-hub");
    response.set(http::field::content_type, "application/json");
    response.set(http::field::cache_control, "no-store");
    response.keep_alive(request.keep_alive());
    response.body() = body.dump();
    response.prepare_payload();
    return response;
}

Response errorResponse(const Request& request, int status, const std::string& message) {
    return jsonResponse(request, static_cast<http::status>(status),
                        ordered_json{{"status", status}, {"error", message}});
}

ordered_json outcomeJson(const std::string& camera, const std::string& operation,
                         const Outcome& outcome) {
    if (outcome.status >= 400) {
        return ordered_json{{"status", outcome.status}, {"error", outcome.error}};
    }
    ordered_json body{{"camera", camera}, {"operation", operation}, {"result", outcome.result}};
    if (outcome.status == 202) {
        body["moving"] = true;
        body["message"] =
            "the camera took the command and is still moving; its completion comes as an event";
    }
    return body;
}

class WsSession : public std::enable_shared_from_this<WsSession> {
  public:
    WsSession(tcp::socket socket, Shared& s, std::unique_ptr<ClientSlot> clientSlot)
        : ws(std::move(socket)), shared(s), slot(std::move(clientSlot)) {}
    ~WsSession() { closed(); }
    WsSession(const WsSession&) = delete;
    WsSession& operator=(const WsSession&) = delete;

    void run(Request request) {
        ws.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws.read_message_max(shared.config.limits.messageBytes);
        ws.text(true);
        ws.async_accept(request, [self = shared_from_this()](beast::error_code ec) {
            if (!ec) {
                self->opened();
            }
        });
    }

  private:
    void opened() {
        std::weak_ptr<WsSession> weak = shared_from_this();
        auto executor = ws.get_executor();
        subscriber = shared.hub.subscribe([weak, executor](std::shared_ptr<const std::string> m) {
            net::post(executor, [weak, m = std::move(m)] {
                if (auto self = weak.lock()) {
                    self->send(m);
                }
            });
        });
        read();
    }

    void read() {
        ws.async_read(buffer, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec) {
                self->closed();
                return;
            }
            const std::string text = beast::buffers_to_string(self->buffer.data());
            self->buffer.consume(self->buffer.size());
            self->handle(text);
            self->read();
        });
    }

    void closed() {
        if (subscriber) {
            shared.hub.unsubscribe(subscriber);
            subscriber.reset();
        }
        // A client that vanished while holding a button (a tab closed, a phone that lost the
        // network) cannot send the stop: the hub sends it for every axis it left driving.
        for (const auto& [camera, axes] : driving) {
            const auto key = lockKeys.find(camera);
            for (Axis axis : axes) {
                const char* stop = axis == Axis::Zoom    ? "stopZoom"
                                   : axis == Axis::Focus ? "stopFocusChange"
                                                         : "stopMove";
                shared.hub.run(camera, stop, json(), key == lockKeys.end() ? "" : key->second,
                               [](Outcome) {});
            }
        }
        driving.clear();
    }

    void reply(const ordered_json& message) {
        send(std::make_shared<const std::string>(message.dump()));
    }

    void fail(const json& id, int status, const std::string& error) {
        ordered_json message{{"type", "result"}, {"id", id}, {"status", status}, {"error", error}};
        reply(message);
    }

    std::vector<std::string> cameraList(const json& message) {
        std::vector<std::string> list;
        const auto it = message.find("cameras");
        if (it == message.end()) {
            throw std::invalid_argument("\"cameras\" is missing: a list of camera ids, or \"*\"");
        }
        if (it->is_string()) {
            list.push_back(it->get<std::string>());
        } else if (it->is_array() && it->size() <= 256) {
            for (const json& id : *it) {
                if (!id.is_string()) {
                    throw std::invalid_argument("\"cameras\" must list camera ids as strings");
                }
                list.push_back(id.get<std::string>());
            }
        } else {
            throw std::invalid_argument("\"cameras\" must be a list of camera ids, or \"*\"");
        }
        return list;
    }

    static std::string textField(const json& message, const char* key) {
        const auto it = message.find(key);
        if (it == message.end() || !it->is_string()) {
            throw std::invalid_argument(std::string("\"") + key + "\" must be a string");
        }
        return it->get<std::string>();
    }

    void handle(const std::string& text) {
        json message;
        json id = nullptr;
        try {
            message = json::parse(text);
            if (!message.is_object()) {
                throw std::invalid_argument("a message must be a JSON object");
            }
            if (message.contains("id")) {
                id = message["id"];
            }
            const std::string type = textField(message, "type");
            for (const auto& item : message.items()) {
                static const char* const KNOWN[] = {"type",   "id",        "cameras",
                                                    "camera", "operation", "args",
                                                    "reason", "key",       "force"};
                bool ok = false;
                for (const char* k : KNOWN) {
                    ok = ok || item.key() == k;
                }
                if (!ok) {
                    throw std::invalid_argument("unknown field \"" + item.key().substr(0, 40) +
                                                "\"");
                }
            }
            if (type == "subscribe") {
                const Outcome outcome = shared.hub.watch(subscriber, cameraList(message));
                if (outcome.status >= 400) {
                    fail(id, outcome.status, outcome.error);
                }
            } else if (type == "unsubscribe") {
                shared.hub.unwatch(subscriber, cameraList(message));
            } else if (type == "command") {
                command(id, message);
            } else if (type == "lock") {
                const std::string camera = textField(message, "camera");
                const std::string reason =
                    message.contains("reason") ? textField(message, "reason") : "";
                Outcome outcome = shared.hub.lock(camera, reason.substr(0, 200));
                if (outcome.status < 400) {
                    lockKeys[camera] = outcome.result["key"].get<std::string>();
                }
                result(id, camera, "lock", outcome);
            } else if (type == "unlock") {
                const std::string camera = textField(message, "camera");
                const bool force = message.value("force", false);
                const std::string key =
                    message.contains("key") ? textField(message, "key") : lockKeys[camera];
                Outcome outcome = shared.hub.unlock(camera, key, force);
                if (outcome.status < 400) {
                    lockKeys.erase(camera);
                }
                result(id, camera, "unlock", outcome);
            } else {
                throw std::invalid_argument("unknown type \"" + type.substr(0, 40) +
                                            "\" (subscribe, unsubscribe, command, lock, unlock)");
            }
        } catch (const json::exception& e) {
            fail(id, 400, std::string("malformed JSON: ") + e.what());
        } catch (const std::exception& e) {
            fail(id, 400, e.what());
        }
    }

    void result(const json& id, const std::string& camera, const std::string& operation,
                const Outcome& outcome) {
        ordered_json message = outcomeJson(camera, operation, outcome);
        message["type"] = "result";
        message["id"] = id;
        message["status"] = outcome.status;
        reply(message);
    }

    void command(const json& id, const json& message) {
        const std::string camera = textField(message, "camera");
        const std::string operation = textField(message, "operation");
        const json args = message.contains("args") ? message["args"] : json();
        if (inFlight >= MAX_COMMANDS_IN_FLIGHT) {
            fail(id, 503,
                 "this client has " + std::to_string(MAX_COMMANDS_IN_FLIGHT) +
                     " commands waiting for their result, the most it may");
            return;
        }
        if (shared.hub.camera(camera) != nullptr) {
            if (const Axis axis = Link::driveAxis(operation); axis != Axis::None) {
                driving[camera].insert(axis);
            } else if (const Axis stopped = Link::stopAxis(operation); stopped != Axis::None) {
                driving[camera].erase(stopped);
            }
            // A key given with the command (a page that took the lock over HTTP, or before its
            // socket was opened again) counts as one taken on this socket.
            if (message.contains("key")) {
                lockKeys[camera] = textField(message, "key");
            }
        }
        ++inFlight;
        std::weak_ptr<WsSession> weak = shared_from_this();
        auto executor = ws.get_executor();
        const auto key = lockKeys.find(camera);
        shared.hub.run(camera, operation, args, key == lockKeys.end() ? "" : key->second,
                       [weak, executor, id, camera, operation](Outcome outcome) {
                           net::post(executor,
                                     [weak, id, camera, operation, outcome = std::move(outcome)] {
                                         if (auto self = weak.lock()) {
                                             --self->inFlight;
                                             self->result(id, camera, operation, outcome);
                                         }
                                     });
                       });
    }

    void send(std::shared_ptr<const std::string> message) {
        if (!ws.is_open()) {
            return;
        }
        if (queue.size() >= shared.config.limits.sendQueue) {
            // A client that cannot keep up is closed, never waited for: the events it missed
            // would leave it with a wrong picture anyway, and it can subscribe again.
            closed();
            beast::error_code ignored;
            beast::get_lowest_layer(ws).socket().close(ignored);
            return;
        }
        queue.push_back(std::move(message));
        if (queue.size() == 1) {
            write();
        }
    }

    void write() {
        ws.async_write(net::buffer(*queue.front()),
                       [self = shared_from_this()](beast::error_code ec, std::size_t) {
                           if (ec) {
                               self->queue.clear();
                               return;
                           }
                           self->queue.pop_front();
                           if (!self->queue.empty()) {
                               self->write();
                           }
                       });
    }

    websocket::stream<beast::tcp_stream> ws;
    Shared& shared;
    std::unique_ptr<ClientSlot> slot;
    beast::flat_buffer buffer;
    std::deque<std::shared_ptr<const std::string>> queue;
    std::shared_ptr<Subscriber> subscriber;
    std::map<std::string, std::string> lockKeys;
    // The axes of each camera that a drive of this client set going and no stop of it ended.
    std::map<std::string, std::set<Axis>> driving;
    std::size_t inFlight = 0;
};

class HttpSession : public std::enable_shared_from_this<HttpSession> {
  public:
    HttpSession(tcp::socket socket, Shared& s, std::unique_ptr<ClientSlot> clientSlot)
        : stream(std::move(socket)), shared(s), slot(std::move(clientSlot)) {}

    void start() { read(); }

  private:
    void read() {
        parser.emplace();
        parser->body_limit(shared.config.limits.bodyBytes);
        parser->header_limit(static_cast<std::uint32_t>(shared.config.limits.headerBytes));
        stream.expires_after(READ_LIMIT);
        http::async_read(
            stream, buffer, *parser,
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onRead(ec); });
    }

    void onRead(beast::error_code ec) {
        if (ec == http::error::end_of_stream || ec == net::error::eof ||
            ec == beast::error::timeout || ec == net::error::connection_reset ||
            ec == net::error::operation_aborted) {
            close();
            return;
        }
        Request request;
        request.version(11);
        request.keep_alive(false);
        if (ec == http::error::body_limit) {
            return send(errorResponse(request, 413,
                                      "the request body is larger than " +
                                          std::to_string(shared.config.limits.bodyBytes) +
                                          " bytes, the most the hub takes"));
        }
        if (ec == http::error::header_limit) {
            return send(errorResponse(request, 431,
                                      "the request header is larger than " +
                                          std::to_string(shared.config.limits.headerBytes) +
                                          " bytes, the most the hub takes"));
        }
        if (ec) {
            return send(errorResponse(request, 400, "malformed HTTP request: " + ec.message()));
        }
        request = parser->release();
        stream.expires_never();
        Request copy = request;
        try {
            handle(std::move(request));
        } catch (const std::exception& e) {
            // A fault of the hub's own: the client is told, the other clients go on.
            send(errorResponse(copy, 500, std::string("the hub failed: ") + e.what()));
        }
    }

    bool authorised(const Request& request) const {
        const std::string& token = shared.config.token;
        if (token.empty()) {
            return true;
        }
        const auto header = request[http::field::authorization];
        const std::string prefix = "Bearer ";
        if (header.size() > prefix.size() && header.substr(0, prefix.size()) == prefix) {
            return sameToken(std::string(header.substr(prefix.size())), token);
        }
        // Browsers cannot put a header on a WebSocket's opening request.
        const auto target = request.target();
        const auto at = target.find("?token=");
        if (request.target().substr(0, 12) == "/api/events?" && at != beast::string_view::npos) {
            return sameToken(std::string(target.substr(at + 7)), token);
        }
        return false;
    }

    void handle(Request request) {
        const std::string target(request.target());
        const std::string path = target.substr(0, target.find('?'));
        const auto parts = split(path);
        const bool api = !parts.empty() && parts[0] == "api";
        if (api && !authorised(request)) {
            auto response = errorResponse(request, 401,
                                          "an access token is needed: Authorization: Bearer TOKEN");
            response.set(http::field::www_authenticate, "Bearer");
            return send(std::move(response));
        }
        if (path == "/api/events") {
            if (!websocket::is_upgrade(request)) {
                return send(errorResponse(request, 426, "/api/events is a WebSocket"));
            }
            auto session =
                std::make_shared<WsSession>(stream.release_socket(), shared, std::move(slot));
            session->run(std::move(request));
            return;
        }
        if (!api) {
            return sendFile(request);
        }
        const auto method = request.method();
        if (parts.size() == 2 && parts[1] == "cameras" && method == http::verb::get) {
            return send(jsonResponse(request, http::status::ok, shared.hub.listJson()));
        }
        if (parts.size() == 2 && parts[1] == "links" && method == http::verb::get) {
            return send(jsonResponse(request, http::status::ok, shared.hub.linksJson()));
        }
        if (parts.size() == 2 && parts[1] == "operations" && method == http::verb::get) {
            return send(jsonResponse(request, http::status::ok, Hub::operationsJson()));
        }
        const bool presetName = parts.size() == 5 && parts[3] == "presets";
        if (parts.size() < 3 || parts[1] != "cameras" || (parts.size() > 4 && !presetName)) {
            return send(errorResponse(request, 404, "no such resource: " + path.substr(0, 80)));
        }
        const std::string& camera = parts[2];
        if (parts.size() == 3) {
            if (method != http::verb::get) {
                return send(errorResponse(request, 405, "a camera is read with GET"));
            }
            ordered_json entry = shared.hub.cameraJson(camera);
            if (entry.is_null()) {
                return send(
                    errorResponse(request, 404, "no camera \"" + camera.substr(0, 40) + "\""));
            }
            return send(jsonResponse(request, http::status::ok, entry));
        }
        const std::string& operation = parts[3];
        json body;
        if (!request.body().empty()) {
            try {
                body = json::parse(request.body());
            } catch (const json::exception& e) {
                return send(
                    errorResponse(request, 400, std::string("malformed JSON: ") + e.what()));
            }
        }
        if (operation == "lock") {
            return lockRoute(request, camera, body);
        }
        if (presetName) {
            return presetRoute(request, camera, parts[4], body);
        }
        if (method != http::verb::post) {
            return send(errorResponse(request, 405, "an operation is run with POST"));
        }
        const std::string lockKey(request["Quorvin-Lock"]);
        auto executor = stream.get_executor();
        auto held = std::make_shared<Request>(std::move(request));
        shared.hub.run(
            camera, operation, body, lockKey,
            [self = shared_from_this(), executor, held, camera,
             operation](Outcome outcome) mutable {
                // The session is carried to the I/O thread and let go there.
                net::post(executor, [self = std::move(self), held, camera, operation,
                                     outcome = std::move(outcome)] {
                    self->send(jsonResponse(*held, static_cast<http::status>(outcome.status),
                                            outcomeJson(camera, operation, outcome)));
                });
            });
    }

    void lockRoute(const Request& request, const std::string& camera, const json& given) {
        const json body = given.is_null() ? json::object() : given;
        if (!body.is_object()) {
            return send(errorResponse(request, 400, "the body must be a JSON object"));
        }
        for (const auto& item : body.items()) {
            if (item.key() != "reason" && item.key() != "key" && item.key() != "force") {
                return send(errorResponse(
                    request, 400,
                    "unknown field \"" + item.key().substr(0, 40) + "\" (reason, key, force)"));
            }
            if ((item.key() == "force" && !item.value().is_boolean()) ||
                (item.key() != "force" && !item.value().is_string())) {
                return send(errorResponse(request, 400, item.key() + ": wrong type"));
            }
        }
        Outcome outcome;
        if (request.method() == http::verb::post) {
            outcome = shared.hub.lock(camera, body.value("reason", std::string()).substr(0, 200));
        } else if (request.method() == http::verb::delete_) {
            std::string key = body.value("key", std::string());
            if (key.empty()) {
                key = std::string(request["Quorvin-Lock"]);
            }
            outcome = shared.hub.unlock(camera, key, body.value("force", false));
        } else {
            return send(
                errorResponse(request, 405, "a lock is taken with POST, given up with DELETE"));
        }
        if (outcome.status >= 400) {
            return send(errorResponse(request, outcome.status, outcome.error));
        }
        ordered_json result =
            outcome.result.is_null() ? ordered_json{{"locked", false}} : outcome.result;
        return send(jsonResponse(request, http::status::ok, result));
    }

    void presetRoute(const Request& request, const std::string& camera, const std::string& number,
                     const json& body) {
        if (request.method() != http::verb::put) {
            return send(errorResponse(request, 405, "a preset's name is given with PUT"));
        }
        const bool digits = !number.empty() && number.size() <= 3 &&
                            number.find_first_not_of("0123456789") == std::string::npos;
        if (!digits) {
            return send(errorResponse(request, 400,
                                      "\"" + number.substr(0, 20) + "\" is no preset number"));
        }
        if (!body.is_object() || body.size() != 1 || !body.contains("name") ||
            !body["name"].is_string()) {
            return send(errorResponse(request, 400,
                                      "the body must be {\"name\": \"...\"} (an empty name "
                                      "takes the name away)"));
        }
        const Outcome outcome =
            shared.hub.namePreset(camera, std::stoi(number), body["name"].get<std::string>(),
                                  std::string(request["Quorvin-Lock"]));
        if (outcome.status >= 400) {
            return send(errorResponse(request, outcome.status, outcome.error));
        }
        return send(jsonResponse(request, http::status::ok, outcome.result));
    }

    void sendFile(const Request& request) {
        if (request.method() != http::verb::get && request.method() != http::verb::head) {
            return send(errorResponse(request, 405, "the web folder is read with GET"));
        }
        const auto file = webFile(shared.config.webRoot, request.target());
        std::error_code error;
        if (!file || std::filesystem::file_size(*file, error) > MAX_FILE_BYTES || error) {
            return send(errorResponse(request, 404, "not found"));
        }
        std::ifstream in(*file, std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Response response{http::status::ok, request.version()};
        response.set(http::field::server, "quorvin-hub");
        response.set(http::field::content_type, contentType(file->string()));
        response.set("X-Content-Type-Options", "nosniff");
        response.keep_alive(request.keep_alive());
        response.body() = std::move(content);
        response.prepare_payload();
        if (request.method() == http::verb::head) {
            response.body().clear();
        }
        send(std::move(response));
    }

    void send(Response response) {
        auto held = std::make_shared<Response>(std::move(response));
        const bool keep = held->keep_alive();
        stream.expires_after(READ_LIMIT);
        http::async_write(
            stream, *held,
            [self = shared_from_this(), held, keep](beast::error_code ec, std::size_t) {
                if (ec || !keep) {
                    self->close();
                    return;
                }
                self->read();
            });
    }

    void close() {
        beast::error_code ignored;
        stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream.close();
    }

    beast::tcp_stream stream;
    Shared& shared;
    std::unique_ptr<ClientSlot> slot;
    beast::flat_buffer buffer;
    std::optional<http::request_parser<http::string_body>> parser;
};

}  // namespace

struct Server::Impl {
    Impl(Hub& hub, const Config& config) : shared{hub, config, {}}, acceptor(io) {
        const auto address = net::ip::make_address(
            config.listen.host == "localhost" ? "127.0.0.1" : config.listen.host);
        const tcp::endpoint endpoint(address, config.listen.port);
        try {
            acceptor.open(endpoint.protocol());
            acceptor.set_option(net::socket_base::reuse_address(true));
            acceptor.bind(endpoint);
            acceptor.listen(net::socket_base::max_listen_connections);
        } catch (const boost::system::system_error& e) {
            throw std::runtime_error("cannot listen on " + config.listen.host + ":" +
                                     std::to_string(config.listen.port) + ": " +
                                     e.code().message());
        }
        for (const CameraInfo& camera : hub.cameras()) {
            if (!camera.viscaPort) {
                continue;
            }
            try {
                visca.push_back(std::make_shared<ViscaIpServer>(
                    io, hub, camera.id, config.listen.host, *camera.viscaPort));
            } catch (const boost::system::system_error& e) {
                throw std::runtime_error("cannot serve VISCA over IP for camera " + camera.id +
                                         " on UDP port " + std::to_string(*camera.viscaPort) +
                                         ": " + e.code().message());
            }
        }
    }

    void accept() {
        acceptor.async_accept(io, [this](beast::error_code ec, tcp::socket socket) {
            if (ec) {
                if (acceptor.is_open()) {
                    accept();
                }
                return;
            }
            auto slot = std::make_unique<ClientSlot>(shared);
            if (shared.clients.fetch_add(1) >= shared.config.limits.clients) {
                // Past the bound a client is told why and let go.
                Request request;
                request.version(11);
                request.keep_alive(false);
                auto response = std::make_shared<Response>(
                    errorResponse(request, 503,
                                  "the hub serves " + std::to_string(shared.config.limits.clients) +
                                      " clients at once, the most it may; try again later"));
                auto held = std::make_shared<beast::tcp_stream>(std::move(socket));
                held->expires_after(std::chrono::seconds(5));
                http::async_write(
                    *held, *response,
                    [held, response, slot = std::shared_ptr<ClientSlot>(std::move(slot))](
                        beast::error_code, std::size_t) {
                        beast::error_code ignored;
                        held->socket().shutdown(tcp::socket::shutdown_both, ignored);
                    });
            } else {
                std::make_shared<HttpSession>(std::move(socket), shared, std::move(slot))->start();
            }
            accept();
        });
    }

    net::io_context io{1};
    Shared shared;
    tcp::acceptor acceptor;
    std::vector<std::shared_ptr<ViscaIpServer>> visca;
    std::thread thread;
    std::atomic<bool> stopped{false};
};

Server::Server(Hub& hub, const Config& config) : impl(std::make_unique<Impl>(hub, config)) {
    impl->accept();
    for (auto& v : impl->visca) {
        v->start();
    }
}

Server::~Server() { stop(); }

std::uint16_t Server::port() const { return impl->acceptor.local_endpoint().port(); }

std::uint16_t Server::viscaPort(const std::string& camera) const {
    for (const auto& v : impl->visca) {
        if (v->camera() == camera) {
            return v->port();
        }
    }
    return 0;
}

void Server::run() { impl->io.run(); }

void Server::stopOnSignals() {
    auto signals = std::make_shared<net::signal_set>(impl->io, SIGINT, SIGTERM);
    signals->async_wait([this, signals](beast::error_code ec, int) {
        if (ec) {
            return;
        }
        impl->stopped = true;
        beast::error_code ignored;
        impl->acceptor.close(ignored);
        for (auto& v : impl->visca) {
            v->stop();
        }
        impl->io.stop();
    });
}

void Server::start() {
    impl->thread = std::thread([this] { impl->io.run(); });
}

void Server::stop() {
    if (impl->stopped.exchange(true)) {
        return;
    }
    net::post(impl->io, [this] {
        beast::error_code ignored;
        impl->acceptor.close(ignored);
        for (auto& v : impl->visca) {
            v->stop();
        }
        impl->io.stop();
    });
    if (impl->thread.joinable()) {
        impl->thread.join();
    }
}

}  // namespace Hub
