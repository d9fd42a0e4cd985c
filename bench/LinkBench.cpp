// The office link under load, in one run: the main window polling an
// in-memory scale whose weight changes every second, the HTTP service on a
// loopback port, first without clients, then with 500 /api/v1/weight
// requests a second and 16 event streams, then in network mode under attack
// from 127.0.0.1 (slow heads, connections opened and closed, floods of
// header lines) while a keyed client asks from 127.0.0.2, and last wide
// range reads over a year of full days. Prints markdown table rows: the
// requests' latency, the delay from the poll that read a new weight to its
// "weight" event at the clients, the polls' period and misses in each phase,
// the process's descriptors and resident memory at their peak. Loopback
// only; bounded in count and time; ends by itself.

#include "BenchSeams.h"
#include "PollFigures.h"

#include "link/LinkService.h"
#include "ui/Form1.h"

#include "GeneratedJournal.h"
#include "core/Cp1251.h"
#include "support/HttpProbe.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
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

// The process's open descriptors and resident memory, as /proc shows them.
int OpenDescriptors()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return 0;
}

// The peaks of both while a phase runs, sampled every 50 ms.
struct Peaks {
    std::atomic<bool> stop{false};
    std::atomic<int> descriptors{0};
    std::atomic<long> rss{0};
    std::thread sampler{[this] {
        while (!stop) {
            descriptors = std::max(descriptors.load(), OpenDescriptors());
            rss = std::max(rss.load(), ResidentKb());
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }};
    ~Peaks() { end(); }
    void end()
    {
        stop = true;
        if (sampler.joinable())
            sampler.join();
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
            auto client = std::make_unique<HttpProbe>(settings.port);
            std::vector<double> mine;
            int bad = 0;
            auto next = Steady::now() + std::chrono::microseconds(2000 * t);
            while (!stop) {
                std::this_thread::sleep_until(next);
                next += std::chrono::milliseconds(8);
                const auto sent = Steady::now();
                if (!client->connected())
                    client = std::make_unique<HttpProbe>(settings.port);  // kept alive, but not forever
                client->request("GET", "/api/v1/weight");
                if (client->answer().status == 200)
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
    std::vector<std::thread> streams;
    for (int s = 0; s < 16; ++s) {
        streams.emplace_back([&] {
            std::vector<std::pair<int, Steady::time_point>> mine;
            bool first = true;  // the weight at connection: no change to time
            // Only the first event of each new weight: the same weight is
            // published again when it becomes stable (three equal readings).
            int last = -1;
            HttpProbe client(settings.port);
            client.request("GET", "/api/v1/events");
            if (client.head().status == 200) {
                std::string chunk;
                while (!stop && client.receive(chunk, 100)) {
                    const auto now = Steady::now();
                    for (int w = 0; w < 2; ++w) {
                        if (chunk.find("event: weight") == std::string::npos || chunk.find(Shown[w]) == std::string::npos ||
                            w == last)
                            continue;
                        if (!first)
                            mine.emplace_back(w, now);
                        first = false;
                        last = w;
                    }
                    chunk.clear();
                }
            }
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
    // Under attack, in network mode: from 127.0.0.1, 36 connections that
    // trickle a header byte a second, 1100 connections opened and closed,
    // and four floods of 20 MB of header lines; from 127.0.0.2, a client
    // with the key asks for the weight every 50 ms.
    const std::string key = "0123456789abcdef0123456789abcdef";
    settings.network = true;
    settings.key = QString::fromStdString(key);
    if (!link.apply(settings).isEmpty()) {
        std::fprintf(stderr, "the service did not start in network mode\n");
        return 1;
    }
    stop = false;
    const int fdsBefore = OpenDescriptors();
    const long rssBefore = ResidentKb();
    Polls attacked;
    std::vector<double> keyed;
    int keyedFailed = 0;
    std::atomic<int> floodsRefused{0};
    std::vector<std::thread> attackers;
    {
        Peaks peaks;
        for (int i = 0; i < 36; ++i) {
            attackers.emplace_back([&] {
                auto probe = std::make_unique<HttpProbe>(settings.port);
                probe->send("GET /api/v1/weight HTTP/1.1\r\nX-a: ");
                while (!stop) {
                    if (!probe->send("b"))
                        probe = std::make_unique<HttpProbe>(settings.port);
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                }
            });
        }
        attackers.emplace_back([&] {
            for (int i = 0; i < 1100 && !stop; ++i)
                HttpProbe(settings.port).close();
        });
        for (int f = 0; f < 4; ++f) {
            attackers.emplace_back([&] {
                if (FloodHeaderLines(settings.port, 20u * 1024 * 1024, stop) < 20u * 1024 * 1024)
                    ++floodsRefused;
            });
        }
        attackers.emplace_back([&] {
            while (!stop) {
                const auto sent = Steady::now();
                const HttpAnswer a = HttpRequest(settings.port, "GET", "/api/v1/weight",
                                                 {{"Authorization", "Bearer " + key}}, {}, "127.0.0.2");
                std::lock_guard lock(results);
                if (a.status == 200)
                    keyed.push_back(Ms(Steady::now() - sent).count());
                else
                    ++keyedFailed;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        phase = &attacked;
        RunFor(seconds);
        phase = nullptr;
        stop = true;
        for (auto& t : attackers)
            t.join();
        peaks.end();
        std::printf("| Office link under attack, network mode: the polls | %s | 36 connections trickling a header byte a second, 1100 opened and closed, 4 × 20 MB of header lines (%d of 4 refused before their end), all from 127.0.0.1; %d s |\n",
                    attacked.cell().c_str(), floodsRefused.load(), seconds);
        std::printf("| Office link under attack: descriptors and resident memory at their peak | %d descriptors (%d before), %.1f MB (%.1f MB before) | the whole process, sampled every 50 ms from /proc/self |\n",
                    peaks.descriptors.load(), fdsBefore, peaks.rss.load() / 1024.0, rssBefore / 1024.0);
        std::printf("| Office link under attack: a keyed client from 127.0.0.2 | p50 %.2f ms, p99 %.2f ms, max %.2f ms (%zu answered, %d failed) | `/api/v1/weight` with the key every 50 ms, a new connection each |\n",
                    Percentile(keyed, 0.5), Percentile(keyed, 0.99),
                    keyed.empty() ? 0.0 : *std::max_element(keyed.begin(), keyed.end()), keyed.size(), keyedFailed);
    }

    // Wide range reads over a year of full days: one alone, then three
    // rounds of eight at once (at most two are read at a time, the others
    // wait briefly and are refused).
    for (QDate day(2024, 1, 1); day.year() == 2024; day = day.addDays(1)) {
        QFile file(terminal.dataDir + DateText(day) + QStringLiteral(".txt"));
        if (!file.open(QIODevice::WriteOnly) || file.write(ToCp1251(GeneratedJournal(1000))) <= 0) {
            std::fprintf(stderr, "could not write the year of day files\n");
            return 1;
        }
    }
    const std::string year = "/api/v1/weighings?from=2024-01-01&to=2024-12-31";
    const HttpHeaders keyHeader{{"Authorization", "Bearer " + key}};
    // Read and counted as they come, so that the figures are the service's:
    // the client keeps none of the 25 MB.
    const auto readYear = [&](std::size_t& bytes) {
        HttpProbe client(settings.port);
        client.request("GET", year, keyHeader);
        const HttpAnswer head = client.head();
        std::string piece;
        while (head.status == 200 && client.receive(piece, 30000)) {
            bytes += piece.size();
            piece.clear();
        }
        bytes += piece.size();
        return head.status;
    };
    const long rssYear = ResidentKb();
    long aloneGrowth = 0;
    std::size_t aloneBytes = 0;
    double aloneMs = 0;
    {
        Peaks peaks;
        const auto began = Steady::now();
        readYear(aloneBytes);
        aloneMs = Ms(Steady::now() - began).count();
        peaks.end();
        aloneGrowth = peaks.rss - rssYear;
    }
    int served = 0, busy = 0;
    Peaks parallel;
    for (int round = 0; round < 3; ++round) {
        std::vector<std::thread> readers;
        for (int i = 0; i < 8; ++i) {
            readers.emplace_back([&] {
                std::size_t bytes = 0;
                const int status = readYear(bytes);
                std::lock_guard lock(results);
                (status == 200 && bytes == aloneBytes ? served : busy) += 1;
            });
        }
        for (auto& t : readers)
            t.join();
    }
    parallel.end();
    link.stop();
    std::printf("| Office link: a 366-day `/api/v1/weighings` over 1000-line days | resident memory +%.1f MB alone (%.1f MB answered in %.1f s); 3 rounds of 8 at once: peak +%.1f MB, %d answered whole, %d refused busy | sent a day at a time, the client counting and dropping the bytes; at most two read at once, a third waits 2 s for its turn |\n",
                aloneGrowth / 1024.0, aloneBytes / 1048576.0, aloneMs / 1000, (parallel.rss - rssYear) / 1024.0, served, busy);
    return 0;
}
