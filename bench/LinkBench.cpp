// The office link under load, in one run: the main window polling an
// in-memory scale whose weight changes every second, the HTTP service on a
// loopback port, first without clients, then with 500 /api/v1/weight
// requests a second and 16 event streams. Prints markdown table rows: the
// requests' latency, the delay from the poll that read a new weight to its
// "weight" event at the clients, and the polls' period and misses in both
// phases. Loopback only; ends by itself.

#include "BenchSeams.h"
#include "PollFigures.h"

#include "link/LinkService.h"
#include "ui/Form1.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

const char* const Weights[2] = {"  12.50", "  13.75"};
const char* const Shown[2] = {"\"display\":\"12.5\"", "\"display\":\"13.75\""};

// The own scale's frames, moving (never recorded), switching between two
// weights every second; remembers when a poll first read each switch.
class SwitchingPort final : public InertSerialPort {
public:
    Steady::time_point start = Steady::now();
    std::mutex mutex;
    std::vector<std::pair<int, Steady::time_point>> switches;  // weight index, first read
    int last = -1;

    Result<QString> receive() override
    {
        const auto now = Steady::now();
        const int which = static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(now - start).count() % 2);
        if (which != last) {
            std::lock_guard lock(mutex);
            switches.emplace_back(which, now);
            last = which;
        }
        return Result<QString>::success(QString::fromLatin1(QByteArray("\x02") + Weights[which] + "US"));
    }
};

void RunFor(int seconds)
{
    QTimer::singleShot(seconds * 1000, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

}  // namespace

int RunLinkBench(int seconds)
{
    QTemporaryDir dir;
    SwitchingPort port;
    BenchClock clock;
    BenchPanel panel;
    Terminal terminal{TerminalState{}, Display{}, port, clock, panel, dir.path() + u'/'};
    Form1 form(terminal);
    if (!form.load().ok()) {
        std::fprintf(stderr, "the terminal did not start\n");
        return 1;
    }
    LinkService link(terminal.dataDir);
    LinkSettings settings;
    settings.enabled = true;
    settings.port = 0;
    for (int p = 18457; p < 18557 && settings.port == 0; ++p) {
        settings.port = p;
        if (!link.apply(settings).isEmpty())
            settings.port = 0;
    }
    if (settings.port == 0) {
        std::fprintf(stderr, "no free loopback port\n");
        return 1;
    }
    form.setLink(&link);
    form.show();

    Polls* phase = nullptr;
    Polls quiet, loaded;
    QObject::connect(form.Timer1, &QTimer::timeout, &form, [&] {
        if (phase)
            phase->ticks.push_back(Steady::now());
    });
    RunFor(2);  // settling
    phase = &quiet;
    RunFor(seconds);

    // The load: 4 threads × 125 requests a second, each at its own schedule
    // (a late request is sent at once, not skipped), and 16 event streams.
    std::atomic<bool> stop{false};
    std::mutex results;
    std::vector<double> latencies;
    int failed = 0;
    std::vector<std::thread> load;
    for (int t = 0; t < 4; ++t) {
        load.emplace_back([&, t] {
            httplib::Client client("127.0.0.1", settings.port);
            client.set_keep_alive(true);
            std::vector<double> mine;
            int bad = 0;
            auto next = Steady::now() + std::chrono::microseconds(2000 * t);
            while (!stop) {
                std::this_thread::sleep_until(next);
                next += std::chrono::milliseconds(8);
                const auto sent = Steady::now();
                auto res = client.Get("/api/v1/weight");
                if (res && res->status == 200)
                    mine.push_back(Ms(Steady::now() - sent).count());
                else
                    ++bad;
            }
            std::lock_guard lock(results);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
            failed += bad;
        });
    }
    std::vector<std::pair<int, Steady::time_point>> received;  // weight index, arrival
    std::vector<std::unique_ptr<httplib::Client>> streamClients;
    for (int s = 0; s < 16; ++s)
        streamClients.push_back(std::make_unique<httplib::Client>("127.0.0.1", settings.port));
    std::vector<std::thread> streams;
    for (int s = 0; s < 16; ++s) {
        streams.emplace_back([&, s] {
            std::vector<std::pair<int, Steady::time_point>> mine;
            bool first = true;  // the weight at connection: no change to time
            streamClients[s]->set_read_timeout(30, 0);
            streamClients[s]->Get("/api/v1/events", [&](const char* data, std::size_t length) {
                const auto now = Steady::now();
                const std::string chunk(data, length);
                for (int w = 0; w < 2; ++w) {
                    if (chunk.find("event: weight") == std::string::npos || chunk.find(Shown[w]) == std::string::npos)
                        continue;
                    if (!first)
                        mine.emplace_back(w, now);
                    first = false;
                }
                return !stop;
            });
            std::lock_guard lock(results);
            received.insert(received.end(), mine.begin(), mine.end());
        });
    }
    phase = &loaded;
    const auto loadStart = Steady::now();
    RunFor(seconds);
    const auto loadEnd = Steady::now();
    phase = nullptr;
    stop = true;
    for (auto& t : load)
        t.join();
    // A stream sits in its read until the next event: the service's stop
    // ends them all.
    link.stop();
    for (auto& t : streams)
        t.join();

    // Each event's delay: from the first read of its weight's latest switch
    // before it arrived.
    std::vector<double> delays;
    {
        std::lock_guard lock(port.mutex);
        for (const auto& [w, at] : received) {
            const std::pair<int, Steady::time_point>* source = nullptr;
            for (const auto& sw : port.switches) {
                if (sw.second <= at && sw.first == w && sw.second >= loadStart)
                    source = &sw;
            }
            if (source)
                delays.push_back(Ms(at - source->second).count());
        }
    }
    const double rate = static_cast<double>(latencies.size() + failed) / std::chrono::duration<double>(loadEnd - loadStart).count();
    std::printf("| Office link: `/api/v1/weight` under load | p50 %.2f ms, p99 %.2f ms, max %.2f ms (%zu requests, %.0f a second, %d failed) | "
                "4 client threads on loopback, keep-alive, each at a fixed 8 ms schedule; 16 event streams open; the window polling meanwhile; %d s |\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()), latencies.size(), rate,
                failed, seconds);
    std::printf("| Office link: a new weight read by a poll to its `weight` event | p50 %.2f ms, p99 %.2f ms (%zu events at 16 streams) | "
                "from the poll's read of the frame with the new weight (the weight switches every second) to the event's arrival at each stream, under the load above |\n",
                Percentile(delays, 0.5), Percentile(delays, 0.99), delays.size());
    std::printf("| Polls without · with the office link's load | %s · %s | Timer1 intervals in one run, %d s each, main window off screen; a miss is an interval over 450 ms |\n",
                quiet.cell().c_str(), loaded.cell().c_str(), seconds);
    return 0;
}
