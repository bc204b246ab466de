// Throughput of the socket component over loopback: one component sends a
// block of data, another (adopted from a listening component) reads it, both
// driven by the Qt event loop as in the program.

#include "net/wsocket.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

template <typename F>
void runLoopUntil(F&& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

struct LoopbackConnection {
    TWSocket server;
    TWSocket client;
    std::unique_ptr<TWSocket> accepted;

    LoopbackConnection()
    {
        server.SetAddr("127.0.0.1");
        server.SetPort("0");
        server.OnSessionAvailable = [this](TCustomWSocket* s, std::uint16_t) {
            accepted = std::make_unique<TWSocket>();
            accepted->AdoptHandle(s->Accept());
        };
        server.Listen();
        client.SetAddr("127.0.0.1");
        client.SetPort(server.GetXPort());
        client.Connect();
        runLoopUntil([&] { return client.State() == wsConnected && accepted != nullptr; });
    }
};

void BM_SendThroughLoopback(benchmark::State& state)
{
    LoopbackConnection connection;
    const std::string block(static_cast<std::size_t>(state.range(0)), 'b');
    std::int64_t received = 0;
    connection.accepted->OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        char buffer[65536];
        const int count = s->Receive(buffer, sizeof buffer);
        if (count > 0)
            received += count;
    };
    for (auto _ : state) {
        const std::int64_t target = received + static_cast<std::int64_t>(block.size());
        connection.client.Send(block.data(), static_cast<int>(block.size()));
        runLoopUntil([&] { return received >= target; });
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SendThroughLoopback)->Arg(64 * 1024)->Arg(1024 * 1024)->Arg(16 * 1024 * 1024)->UseRealTime();

void BM_ConnectAndClose(benchmark::State& state)
{
    TWSocket server;
    server.SetAddr("127.0.0.1");
    server.SetPort("0");
    std::unique_ptr<TWSocket> accepted;
    server.OnSessionAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        accepted = std::make_unique<TWSocket>();
        accepted->AdoptHandle(s->Accept());
    };
    server.Listen();
    const std::string port = server.GetXPort();
    for (auto _ : state) {
        TWSocket client;
        accepted.reset();
        client.SetAddr("127.0.0.1");
        client.SetPort(port);
        client.Connect();
        runLoopUntil([&] { return client.State() == wsConnected && accepted != nullptr; });
        client.Close();
    }
}
BENCHMARK(BM_ConnectAndClose)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
