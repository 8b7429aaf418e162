#include "core/LineSettings.h"

#include <array>

namespace core {

namespace {

struct Named {
    const char *option;
    const char16_t *shown;
};

constexpr std::array<Named, 5> kParities{
    {{"none", u"нет"}, {"even", u"чёт"}, {"odd", u"нечёт"}, {"mark", u"маркер"}, {"space", u"пробел"}}};
constexpr std::array<Named, 3> kFlows{{{"none", u"нет"}, {"rtscts", u"RTS/CTS"}, {"xonxoff", u"XON/XOFF"}}};
constexpr std::array<char, 5> kParityLetters{'N', 'E', 'O', 'M', 'S'};

template <typename Enum, std::size_t N>
std::optional<Enum> fromOption(const std::array<Named, N> &names, const QString &word) {
    for (std::size_t i = 0; i < N; ++i)
        if (word == QLatin1String(names[i].option))
            return static_cast<Enum>(i);
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseLineSettings(const QString &baudRateText, const QString &dataBitsText,
                                              int stopBitsIndex) {
    bool baudOk = false;
    bool bitsOk = false;
    LineSettings settings;
    settings.baudRate = baudRateText.toInt(&baudOk);
    settings.dataBits = dataBitsText.toInt(&bitsOk);
    if (!baudOk || !bitsOk)
        return std::nullopt;
    settings.stopBits = stopBitsIndex == 1 ? StopBits::OneAndHalf : stopBitsIndex == 2 ? StopBits::Two : StopBits::One;
    return settings;
}

bool isSupported(const LineSettings &settings) {
    if (settings.baudRate <= 0 || settings.dataBits < 5 || settings.dataBits > 8)
        return false;
    if (settings.dataBits == 5)
        return settings.stopBits != StopBits::Two;
    return settings.stopBits != StopBits::OneAndHalf;
}

QString describe(const LineSettings &settings) {
    const char *stop = settings.stopBits == StopBits::One ? "1" : settings.stopBits == StopBits::Two ? "2" : "1.5";
    QString text = QStringLiteral("%1 %2%3%4")
                       .arg(settings.baudRate)
                       .arg(settings.dataBits)
                       .arg(QLatin1Char(kParityLetters[static_cast<int>(settings.parity)]))
                       .arg(QLatin1String(stop));
    if (settings.flow != FlowControl::None)
        text += QStringLiteral(", ") + flowName(settings.flow);
    return text;
}

QString parityName(Parity parity) { return QString::fromUtf16(kParities[static_cast<int>(parity)].shown); }

QString flowName(FlowControl flow) { return QString::fromUtf16(kFlows[static_cast<int>(flow)].shown); }

std::optional<Parity> parityFromOption(const QString &word) { return fromOption<Parity>(kParities, word); }

std::optional<FlowControl> flowFromOption(const QString &word) { return fromOption<FlowControl>(kFlows, word); }

std::optional<qint32> parseBaudRate(const QString &text) {
    bool ok = false;
    const qint32 rate = text.trimmed().toInt(&ok);
    if (!ok || rate <= 0)
        return std::nullopt;
    return rate;
}

QString modemLineName(ModemLine line) { return line == ModemLine::Dtr ? QStringLiteral("DTR") : QStringLiteral("RTS"); }

} // namespace core
