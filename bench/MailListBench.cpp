// The cost of the new/seen decision and of adding rows when a check fills the mail list:
// N messages checked against the memory of the N rows of the previous check; and what keeping
// that memory between runs costs: writing it, and reading it back at start-up.
#include "mail/MailList.h"
#include "store/VisibleText.h"

#include <QCoreApplication>
#include <QString>

#include <array>
#include <benchmark/benchmark.h>
#include <vector>

using namespace mervantic;

namespace {

// The headers of `count` messages as they arrive from a server: bytes, one after the other.
struct Headers {
    QByteArray bytes;
    std::vector<std::array<qsizetype, 8>> bounds; // start and length of from, subject, date, id
};

Headers headers(int count) {
    Headers result;
    for (int n = 0; n < count; ++n) {
        const QByteArray fields[] = {"Sender " + QByteArray::number(n % 997) + " <sender" +
                                         QByteArray::number(n % 997) + "@example.org>",
                                     "Subject of message number " + QByteArray::number(n),
                                     "Mon, 4 Jan 2003 09:" + QByteArray::number(10 + n % 50) +
                                         ":00 -0500",
                                     "<" + QByteArray::number(n) + ".bench@example.org>"};
        std::array<qsizetype, 8> bounds{};
        for (int f = 0; f < 4; ++f) {
            bounds[static_cast<std::size_t>(2 * f)] = result.bytes.size();
            bounds[static_cast<std::size_t>(2 * f + 1)] = fields[f].size();
            result.bytes.append(fields[f]);
        }
        result.bounds.push_back(bounds);
    }
    return result;
}

// Each message's fields become texts as header extraction makes them, then a row.
void fill(MailList& list, const Headers& messages) {
    const QString display = QStringLiteral("Bench");
    const QString user = QStringLiteral("bench");
    const QString password = QStringLiteral("pw");
    const QString server = QStringLiteral("pop.example.org");
    const QString port = QStringLiteral("110");
    const QByteArrayView bytes(messages.bytes);
    const auto field = [&](const std::array<qsizetype, 8>& b, int f) {
        return QString::fromLatin1(bytes.sliced(b[static_cast<std::size_t>(2 * f)],
                                                b[static_cast<std::size_t>(2 * f + 1)]));
    };
    for (const auto& b : messages.bounds)
        list.addMessageRow(display, user, password, field(b, 0), field(b, 1), field(b, 2), server,
                           port, field(b, 3));
}

// One check's worth of list work: the snapshot of the previous rows, then a row per message
// with its new/seen decision.
void CheckFillsTheList(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const Headers messages = headers(count);
    MailList list;
    fill(list, messages);
    list.markAllSeen();
    for (auto _ : state) {
        list.takeSnapshotAndClear();
        fill(list, messages);
        benchmark::DoNotOptimize(list.newMessageCount());
    }
    state.counters["per_message"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The same check with nothing remembered: what remembering N messages adds to a check is the
// difference between the two.
void CheckFillsTheListWithNothingRemembered(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const Headers messages = headers(count);
    MailList list;
    fill(list, messages);
    for (auto _ : state) {
        list.removeAll();
        list.setSeenMemory({});
        list.takeSnapshotAndClear();
        fill(list, messages);
        benchmark::DoNotOptimize(list.newMessageCount());
    }
    state.counters["per_message"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The decision alone: every message, freshly read, looked up in a snapshot of equal size.
void NewOrSeenDecision(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const Headers messages = headers(count);
    MailList list;
    fill(list, messages);
    list.markAllSeen();
    list.takeSnapshotAndClear();
    const MailboxId mailbox{QStringLiteral("bench"), QStringLiteral("pop.example.org"),
                            QStringLiteral("110")};
    const QByteArrayView bytes(messages.bytes);
    for (auto _ : state) {
        int seen = 0;
        for (const auto& b : messages.bounds) {
            const auto field = [&](int f) {
                return QString::fromLatin1(bytes.sliced(b[static_cast<std::size_t>(2 * f)],
                                                        b[static_cast<std::size_t>(2 * f + 1)]));
            };
            const MessageDigest digest = MessageDigest::of(field(0), field(1), field(2), field(3));
            seen += list.seenMemory().lookup(mailbox, digest) == MailIcon::Seen ? 1 : 0;
        }
        benchmark::DoNotOptimize(seen);
    }
    state.counters["per_message"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The memory of N seen messages written as the program keeps it, and read back as a start does.
void SeenMemoryKept(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    MailList list;
    fill(list, headers(count));
    list.markAllSeen();
    QByteArray stored;
    for (auto _ : state) {
        stored = list.seenMemory().toBytes();
        benchmark::DoNotOptimize(stored.size());
    }
    state.counters["bytes"] = static_cast<double>(stored.size());
}

void SeenMemoryRead(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    MailList list;
    fill(list, headers(count));
    list.markAllSeen();
    const QByteArray stored = list.seenMemory().toBytes();
    for (auto _ : state) {
        std::optional<SeenMemory> memory = SeenMemory::fromBytes(stored);
        benchmark::DoNotOptimize(memory->messageCount());
    }
}

} // namespace

// What drawing fields costs now that each outside text passes the check that makes it visible:
// a screen of 40 rows of 8 fields of realistic length, clean (the common case, no copy made) or
// each holding one control character to replace.
void ShownFields(benchmark::State& state) {
    const bool controls = state.range(0) != 0;
    std::vector<QString> fields;
    for (int n = 0; n < 40 * 8; ++n) {
        QString field =
            QStringLiteral("Subject of message number %1 from a sender far away").arg(n);
        if (controls)
            field.insert(20, QChar(0x1b));
        fields.push_back(field);
    }
    for (auto _ : state) {
        qsizetype total = 0;
        for (const QString& field : fields)
            total += visibleText(field).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(fields.size()));
}

BENCHMARK(ShownFields)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(SeenMemoryKept)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(SeenMemoryRead)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(CheckFillsTheList)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(CheckFillsTheListWithNothingRemembered)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(NewOrSeenDecision)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
