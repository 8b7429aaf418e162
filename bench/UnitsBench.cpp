// The receive path's pure steps on their own, per MB of a flood of
// 76-character CR LF lines cut into 2048-byte packets: how much of the
// terminal's time per MB each step costs, without the window or the port.
#include "Benches.h"

#include "BenchMeasures.h"
#include "core/Cp1251.h"
#include "rx/LogDisplayText.h"
#include "rx/LogLineRenderer.h"

#include <QByteArray>

#include <cstdio>
#include <vector>

using namespace rx;

namespace {

constexpr int kPacketBytes = 2048;
constexpr int kMegabytes = 64;

template <typename Step>
void timeStep(const char *name, const std::vector<QByteArray> &inputs, Step step) {
    qint64 sink = 0;
    const qint64 started = monotonicNs();
    for (const QByteArray &input : inputs)
        sink += step(input);
    const double seconds = (monotonicNs() - started) / 1e9;
    std::printf("units: %-44s %7.3f ms/MB (%lld)\n", name, seconds * 1000 / kMegabytes,
                static_cast<long long>(sink % 10));
}

} // namespace

void runUnitsBench() {
    QByteArray flood;
    flood.reserve(qsizetype(kMegabytes) * 1024 * 1024);
    for (qint64 line = 0; flood.size() < qsizetype(kMegabytes) * 1024 * 1024; ++line) {
        for (int column = 0; column < 76; ++column)
            flood.append(char('!' + (line + column) % 94));
        flood.append("\r\n");
    }
    flood.truncate(qsizetype(kMegabytes) * 1024 * 1024);
    std::vector<QByteArray> packets;
    for (qsizetype at = 0; at < flood.size(); at += kPacketBytes)
        packets.push_back(flood.mid(at, kPacketBytes));
    std::vector<QByteArray> lines;
    for (const QByteArray &packet : packets)
        lines.push_back(*renderPacket(packet, core::DataMode::Ascii, false));

    timeStep("rendering (renderPacket, ASCII)", packets,
             [](const QByteArray &p) { return renderPacket(p, core::DataMode::Ascii, false)->size(); });
    timeStep("windows-1251 to text (cp1251::toUnicode)", lines,
             [](const QByteArray &l) { return core::cp1251::toUnicode(l).size(); });
    timeStep("display text (logDisplayText, with the above)", lines,
             [](const QByteArray &l) { return logDisplayText(l).size(); });
}
