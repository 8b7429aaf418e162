#include "run/RunOptions.h"

#include "macros/MacroStore.h"
#include "run/RunTexts.h"
#include "rx/PacketGapSteps.h"
#include "tx/CommandEncoding.h"

#include <QCommandLineParser>

#include <limits>

namespace run {

namespace {

// The window's period field holds five digits.
constexpr int kMaxPeriodMs = 99999;

// Every option once, in the order --help lists them.
struct Options {
    QCommandLineOption baud{
        {"b", "baud"}, "Baud rate, any whole number the adapter takes (default 1200, as the window starts).", "RATE"};
    QCommandLineOption bits{"bits", "Data bits, 5 to 8 (default 8).", "N"};
    QCommandLineOption stop{"stop", "Stop bits: 1, 1.5 or 2 (default 1).", "1|1.5|2"};
    QCommandLineOption parity{"parity", "Parity (default none).", "none|even|odd|mark|space"};
    QCommandLineOption flow{"flow", "Flow control (default none).", "none|rtscts|xonxoff"};
    QCommandLineOption dtr{"dtr", "DTR from the open on (default off).", "on|off"};
    QCommandLineOption rts{"rts", "RTS from the open on (default off; with --flow rtscts the driver's).", "on|off"};
    QCommandLineOption pulse{"pulse",
                             "Turn DTR or RTS over for MS ms before the first command (to reset a board), "
                             "e.g. dtr:100.",
                             "dtr|rts:MS"};
    QCommandLineOption breakMs{"break", "Send a break of MS ms before the first command (after --pulse).", "MS"};
    QCommandLineOption lines{"lines", "Print the input lines CTS, DSR, DCD and RI at the start and as they change."};
    QCommandLineOption file{{"f", "file"},
                            "Send the lines of a command file (windows-1251, at most 500 lines; a line of 255 "
                            "characters or more is skipped), as the window loads one.",
                            "FILE"};
    QCommandLineOption macros{{"m", "macros"},
                              "Send the non-empty macros of list LIST (1..100) of CmdConfig in the working "
                              "directory, in button order. The file is only read.",
                              "LIST"};
    QCommandLineOption tail{"tail",
                            "Tail appended to every command: $XX byte escapes and checksum tokens such as "
                            "[SUM_8(0..n)] (default $0D; empty with --hex).",
                            "STRING"};
    QCommandLineOption hex{"hex", "Commands are hexadecimal pairs, and the log shows bytes in hexadecimal."};
    QCommandLineOption gap{"gap",
                           "Packet gap: a packet ends after MS ms of silence (default 0); a line still arriving "
                           "is looked at once it has been silent that long.",
                           "MS"};
    QCommandLineOption period{"period",
                              "Send a command every MS ms instead of after each answer; each answer must "
                              "still come before the next send.",
                              "MS"};
    QCommandLineOption count{"count", "Go through the commands N times (default 1; 0: until stopped).", "N"};
    QCommandLineOption expect{{"e", "expect"},
                              "Regular expression a line of the answer must match (^ and $ at the line's start "
                              "and end): give it once for all commands, or once per command in order.",
                              "REGEX"};
    QCommandLineOption timeout{{"t", "timeout"}, "How long to wait for each answer (default 2000).", "MS"};
    QCommandLineOption abort{"abort", "A received line matching REGEX ends the run at once (exit status 4).", "REGEX"};
    QCommandLineOption time{"time", "Time stamps in front of the log lines, as the window's \"TIME + \"."};
    QCommandLineOption log{"log", "Also record the log to FILE as the window records it (windows-1251, CR LF).",
                           "FILE"};
    QCommandLineOption quiet{{"q", "quiet"}, "Print nothing but errors."};
    QCommandLineOption listPorts{"list-ports", "Print the ports the window lists, one a line, and exit."};
    QCommandLineOption sendFile{"send-file",
                                "After the commands (if any) are answered, send FILE to the device with --protocol; "
                                "progress goes to standard error when it is a terminal.",
                                "FILE"};
    QCommandLineOption protocol{"protocol",
                                "How --send-file sends: raw (the bytes as they are, at the line's pace), xmodem "
                                "(the receiver chooses checksum or CRC; the default), xmodem1k or ymodem (with the "
                                "file's name and size).",
                                "NAME"};
    QCommandLineOption fileAnswer{"file-answer",
                                  "After --send-file, the device's answer must match REGEX within --timeout.", "REGEX"};
};

void describe(QCommandLineParser &parser, const Options &o) {
    parser.setApplicationDescription(
        "Sends commands to a device on a serial port and checks its answers, as the TerminalKVR window does.");
    for (const QCommandLineOption *option :
         {&o.baud,    &o.bits,  &o.stop,   &o.parity, &o.flow,  &o.dtr,       &o.rts,      &o.pulse,    &o.breakMs,
          &o.lines,   &o.file,  &o.macros, &o.tail,   &o.hex,   &o.gap,       &o.period,   &o.count,    &o.expect,
          &o.timeout, &o.abort, &o.time,   &o.log,    &o.quiet, &o.listPorts, &o.sendFile, &o.protocol, &o.fileAnswer})
        parser.addOption(*option);
    parser.addPositionalArgument("PORT", "/dev/ttyUSB0, ttyUSB0 as the window lists it, /dev/serial/by-id/..., "
                                         "rfc2217://HOST:PORT or tcp://HOST:PORT.");
    parser.addPositionalArgument("COMMAND",
                                 "Commands to send in order; - reads them from standard input (windows-1251 "
                                 "bytes, one a line, as a command file; each read as the one before is sent).",
                                 "[COMMAND...]");
}

// The first fault found, naming its option.
class Reader {
public:
    explicit Reader(const QCommandLineParser &parser) : m_parser(parser) {}

    QString error;

    std::optional<int> number(const QCommandLineOption &option, int min, int max) {
        if (!m_parser.isSet(option))
            return std::nullopt;
        const QString text = m_parser.value(option);
        bool ok = false;
        const int value = text.toInt(&ok);
        if (!ok || value < min || value > max) {
            fail(option, QStringLiteral("'%1' is not a whole number from %2 to %3").arg(text).arg(min).arg(max));
            return std::nullopt;
        }
        return value;
    }

    std::optional<QRegularExpression> regex(const QCommandLineOption &option, const QString &pattern) {
        const QRegularExpression expression(pattern);
        if (!expression.isValid()) {
            fail(option, QStringLiteral("'%1' is not a regular expression: %2").arg(pattern, expression.errorString()));
            return std::nullopt;
        }
        return expression;
    }

    void fail(const QCommandLineOption &option, const QString &why) {
        if (error.isEmpty())
            error = QStringLiteral("--%1: %2").arg(option.names().constLast(), why);
    }

private:
    const QCommandLineParser &m_parser;
};

std::optional<core::StopBits> stopBits(const QString &text) {
    if (text == QLatin1String("1"))
        return core::StopBits::One;
    if (text == QLatin1String("1.5") || text == QLatin1String("1,5"))
        return core::StopBits::OneAndHalf;
    if (text == QLatin1String("2"))
        return core::StopBits::Two;
    return std::nullopt;
}

std::optional<bool> onOff(const QString &text) {
    if (text == QLatin1String("on"))
        return true;
    if (text == QLatin1String("off"))
        return false;
    return std::nullopt;
}

template <typename Value>
void readWord(const QCommandLineParser &parser, const QCommandLineOption &option, Reader &read,
              std::optional<Value> (*from)(const QString &), Value &out) {
    if (!parser.isSet(option))
        return;
    if (const std::optional<Value> value = from(parser.value(option)))
        out = *value;
    else
        read.fail(option, QStringLiteral("'%1' is not one of %2").arg(parser.value(option), option.valueName()));
}

void readLineControls(const QCommandLineParser &parser, const Options &o, Reader &read, RunOptions &out) {
    readWord(parser, o.parity, read, &core::parityFromOption, out.line.parity);
    readWord(parser, o.flow, read, &core::flowFromOption, out.line.flow);
    readWord(parser, o.dtr, read, &onOff, out.outputs.dtr);
    readWord(parser, o.rts, read, &onOff, out.outputs.rts);
    if (parser.isSet(o.pulse)) {
        const QStringList parts = parser.value(o.pulse).split(QLatin1Char(':'));
        bool ok = false;
        const int ms = parts.value(1).toInt(&ok);
        const QString line = parts.value(0);
        if (parts.size() != 2 || !ok || ms <= 0 || (line != QLatin1String("dtr") && line != QLatin1String("rts")))
            read.fail(o.pulse, QStringLiteral("'%1' is not dtr:MS or rts:MS").arg(parser.value(o.pulse)));
        else
            out.pulse = {line == QLatin1String("dtr") ? core::ModemLine::Dtr : core::ModemLine::Rts, ms};
    }
    out.breakMs = read.number(o.breakMs, 1, std::numeric_limits<int>::max());
    out.printLines = parser.isSet(o.lines);
}

void readLine(const QCommandLineParser &parser, const Options &o, Reader &read, RunOptions &out) {
    if (const auto baud = read.number(o.baud, 1, std::numeric_limits<qint32>::max()))
        out.line.baudRate = *baud;
    if (const auto bits = read.number(o.bits, 5, 8))
        out.line.dataBits = *bits;
    if (parser.isSet(o.stop)) {
        if (const auto stop = stopBits(parser.value(o.stop)))
            out.line.stopBits = *stop;
        else
            read.fail(o.stop, QStringLiteral("'%1' is not 1, 1.5 or 2").arg(parser.value(o.stop)));
    }
    if (read.error.isEmpty() && !core::isSupported(out.line))
        read.fail(o.stop, QStringLiteral("%1 data bits do not go with these stop bits").arg(out.line.dataBits));
    readLineControls(parser, o, read, out);
}

// The one source of the commands.
void readSource(const QCommandLineParser &parser, const Options &o, Reader &read, RunOptions &out) {
    const QStringList positional = parser.positionalArguments();
    out.commands = positional.mid(1);
    const bool fromStdin = out.commands == QStringList{QStringLiteral("-")};
    const int sources = int(!out.commands.isEmpty()) + int(parser.isSet(o.file)) + int(parser.isSet(o.macros));
    if (sources > 1)
        read.fail(parser.isSet(o.file) ? o.file : o.macros,
                  QStringLiteral("give either COMMANDs, -, --file or --macros"));
    if (parser.isSet(o.file)) {
        out.source = RunOptions::Source::File;
        out.file = parser.value(o.file);
        if (out.file.isEmpty())
            read.fail(o.file, QStringLiteral("no file named"));
    } else if (parser.isSet(o.macros)) {
        out.source = RunOptions::Source::Macros;
        out.macroList = read.number(o.macros, 1, macros::MacroStore::kLists).value_or(0);
    } else if (fromStdin) {
        out.source = RunOptions::Source::StandardInput;
        out.commands.clear();
    } else if (out.commands.isEmpty() && read.error.isEmpty() && !parser.isSet(o.sendFile)) {
        read.error =
            QStringLiteral("nothing to send: give COMMANDs, - (standard input), --file, --macros or --send-file");
    }
}

void readTransfer(const QCommandLineParser &parser, const Options &o, Reader &read, RunOptions &out) {
    out.sendFile = parser.value(o.sendFile);
    if (parser.isSet(o.sendFile) && out.sendFile.isEmpty())
        read.fail(o.sendFile, QStringLiteral("no file named"));
    if (parser.isSet(o.protocol)) {
        if (const auto protocol = tx::protocolFromName(parser.value(o.protocol)))
            out.protocol = *protocol;
        else
            read.fail(o.protocol,
                      QStringLiteral("'%1' is not raw, xmodem, xmodem1k or ymodem").arg(parser.value(o.protocol)));
    }
    if (parser.isSet(o.fileAnswer))
        out.fileAnswer = read.regex(o.fileAnswer, parser.value(o.fileAnswer));
    if ((parser.isSet(o.protocol) || parser.isSet(o.fileAnswer)) && !parser.isSet(o.sendFile))
        read.fail(parser.isSet(o.protocol) ? o.protocol : o.fileAnswer, QStringLiteral("only goes with --send-file"));
}

void readDialogue(const QCommandLineParser &parser, const Options &o, Reader &read, RunOptions &out) {
    out.gapMs = read.number(o.gap, 0, rx::kMaxPacketGap).value_or(out.gapMs);
    out.periodMs = read.number(o.period, 0, kMaxPeriodMs);
    out.count = read.number(o.count, 0, std::numeric_limits<int>::max()).value_or(out.count);
    out.timeoutMs = read.number(o.timeout, 1, std::numeric_limits<int>::max()).value_or(out.timeoutMs);
    for (const QString &pattern : parser.values(o.expect)) {
        if (const auto expression = read.regex(o.expect, pattern))
            out.expect.append(*expression);
    }
    const QStringList aborts = parser.values(o.abort);
    if (aborts.size() > 1)
        read.fail(o.abort, QStringLiteral("give it once (join alternatives with |)"));
    else if (aborts.size() == 1)
        out.abort = read.regex(o.abort, aborts.first());
}

} // namespace

ParsedOptions parseRunOptions(const QStringList &arguments) {
    ParsedOptions parsed;
    RunOptions &out = parsed.options;
    QCommandLineParser parser;
    const Options o;
    describe(parser, o);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        out.action = RunOptions::Action::Help;
    else if (parser.isSet(version))
        out.action = RunOptions::Action::Version;
    else if (parser.isSet(o.listPorts))
        out.action = RunOptions::Action::ListPorts;
    if (out.action != RunOptions::Action::Run)
        return parsed;

    Reader read(parser);
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        read.error = QStringLiteral("no PORT given");
    else
        out.port = positional.first();
    readLine(parser, o, read, out);
    readSource(parser, o, read, out);
    out.mode = parser.isSet(o.hex) ? core::DataMode::Hex : core::DataMode::Ascii;
    out.tail = parser.isSet(o.tail) ? parser.value(o.tail) : tx::defaultTail(out.mode);
    readDialogue(parser, o, read, out);
    out.timeStamps = parser.isSet(o.time);
    out.logFile = parser.value(o.log);
    if (parser.isSet(o.log) && out.logFile.isEmpty())
        read.fail(o.log, QStringLiteral("no file named"));
    out.quiet = parser.isSet(o.quiet);
    readTransfer(parser, o, read, out);
    if (read.error.isEmpty() && out.source == RunOptions::Source::Arguments)
        read.error = checkExpectations(out, out.commands.size());
    parsed.error = read.error;
    return parsed;
}

QString checkExpectations(const RunOptions &options, qsizetype commandCount) {
    const qsizetype given = options.expect.size();
    if (given <= 1 || given == commandCount)
        return {};
    return QStringLiteral("--expect: given %1 times for %2 commands; give it once, or once per command")
        .arg(given)
        .arg(commandCount);
}

QString runHelpText() {
    QCommandLineParser parser;
    const Options o;
    describe(parser, o);
    parser.addHelpOption();
    parser.addVersionOption();
    QString text = parser.helpText();
    // Qt names the program by the path it was started with.
    text.replace(0, text.indexOf(QLatin1Char('\n')),
                 QStringLiteral("Usage: %1 [options] PORT [COMMAND...]").arg(kRunProgram));
    return text +
           QStringLiteral(
               "\nAnswers, as chat(8) reads them: after each send the device's bytes are read line by\n"
               "line (a line ends at CR or LF wherever packets and pauses fall; empty lines are\n"
               "skipped; a line still arriving is looked at once it has been silent for --gap ms).\n"
               "The answer is the first line that is not the command's echo and matches --expect\n"
               "(any such line without --expect). Other lines (the echo, RING, ERROR) are shown and\n"
               "logged and passed over: without the answer the run ends when -t runs out (3). With\n"
               "--hex an answer is the packets up to a pause, as one line. A line matching --abort\n"
               "ends the run at once (4), whenever it comes.\n"
               "\nExit status: 0 every command answered; 1 bad usage or unreadable input;\n"
               "2 the port could not be opened, is held by another program, or was lost;\n"
               "3 no answer in time; 4 a line matched --abort; 5 standard output or the --log\n"
               "file could not be written (a full disk, a reader that closed the pipe); 6 --send-file:\n"
               "the receiver did not take the file (cancelled, no answer, blocks refused) or it changed;\n"
               "129/130/143 stopped by SIGHUP/SIGINT/SIGTERM, the log written out.\n"
               "\nExamples:\n"
               "  %1 -b 9600 -e '^OK' /dev/ttyUSB0 AT ATI\n"
               "      sends AT, waits for a line starting with OK (passing over the echo and\n"
               "      anything else), then sends ATI and waits for OK again.\n"
               "  %1 --hex --tail ' [SUM_8(0..n)]' --log exchange.txt rfc2217://host:2217 '01 03'\n"
               "      sends 01 03 04 over RFC 2217 and records the exchange to exchange.txt.\n"
               "  %1 -b 115200 -e 'ymodem|C' --send-file u-boot.img --protocol ymodem --file-answer 'Total Size'\\\n"
               "      /dev/ttyUSB0 loady\n"
               "      starts U-Boot's YMODEM receiver, sends the image and checks the loader's answer.\n")
               .arg(kRunProgram);
}

} // namespace run
