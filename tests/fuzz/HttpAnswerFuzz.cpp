// HTTP answers: a loopback server on 127.0.0.1 sends the input as the answer to a transfer
// and closes, so every answer ends and the transfer must settle on a result.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "app/HTTPTransfer.h"
#include "platform/Socket.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kRequest = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

platform::TcpSocket& Listener() {
    static platform::TcpSocket listener = [] {
        platform::TcpSocket socket;
        if (!socket.ListenLoopback(0)) {
            std::abort();
        }
        return socket;
    }();
    return listener;
}

void Serve(platform::TcpSocket& client, std::string_view answer, Clock::time_point deadline) {
    std::string request;
    char piece[512];
    while (request.size() < kRequest.size() && Clock::now() < deadline) {
        if (client.Wait(true, false, 20) != platform::SocketStatus::Ok) {
            continue;
        }
        const platform::SocketIo io = client.Receive(piece, sizeof(piece));
        if (io.status == platform::SocketStatus::Ok) {
            request.append(piece, io.count);
        } else if (io.status != platform::SocketStatus::InProgress) {
            return;
        }
    }
    while (!answer.empty() && Clock::now() < deadline) {
        if (client.Wait(false, true, 20) != platform::SocketStatus::Ok) {
            continue;
        }
        const platform::SocketIo io = client.Send(answer.data(), answer.size());
        if (io.status == platform::SocketStatus::Ok) {
            answer.remove_prefix(io.count);
        } else if (io.status != platform::SocketStatus::InProgress) {
            return;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::TcpSocket& listener = Listener();
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    Vesk::HTTPTransfer transfer;
    transfer.SetStallTimeout(5000);
    transfer.SendRequestString("127.0.0.1:" + std::to_string(listener.LocalPort()), kRequest);

    platform::TcpSocket client;
    while (Clock::now() < deadline) {
        const platform::SocketStatus status = listener.Accept(client, 20);
        if (status == platform::SocketStatus::Ok) {
            Serve(client, std::string_view(reinterpret_cast<const char*>(data), size), deadline);
            break;
        }
        if (status == platform::SocketStatus::Failed) {
            break;
        }
    }
    client.Close();
    while (transfer.IsTransferring() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    // An answer that has ended must end the transfer long before its stall timeout.
    if (transfer.IsTransferring()) {
        std::abort();
    }
    static_cast<void>(transfer.GetResultCode());
    static_cast<void>(transfer.GetContent());
    return 0;
}
