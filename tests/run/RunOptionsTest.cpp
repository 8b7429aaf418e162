#include "run/RunOptions.h"
#include "run/PortChoice.h"

#include <gtest/gtest.h>

using namespace run;

namespace {

ParsedOptions parse(const QString &line) {
    return parseRunOptions(QStringList{"terminalkvr-run"} + line.split(' ', Qt::SkipEmptyParts));
}

} // namespace

TEST(RunOptions, DefaultsAreTheWindowsStartSettingsAndAfterAnswerSending) {
    const ParsedOptions p = parse("/dev/ttyUSB0 AT ATI");
    ASSERT_TRUE(p.ok()) << p.error.toStdString();
    const RunOptions &o = p.options;
    EXPECT_EQ(o.action, RunOptions::Action::Run);
    EXPECT_EQ(o.port, "/dev/ttyUSB0");
    EXPECT_EQ(o.line.baudRate, 1200);
    EXPECT_EQ(o.line.dataBits, 8);
    EXPECT_EQ(o.line.stopBits, core::StopBits::One);
    EXPECT_EQ(o.source, RunOptions::Source::Arguments);
    EXPECT_EQ(o.commands, (QStringList{"AT", "ATI"}));
    EXPECT_EQ(o.mode, core::DataMode::Ascii);
    EXPECT_EQ(o.tail, "$0D");
    EXPECT_EQ(o.gapMs, 0);
    EXPECT_FALSE(o.periodMs);
    EXPECT_EQ(o.count, 1);
    EXPECT_EQ(o.timeoutMs, 2000);
    EXPECT_TRUE(o.expect.isEmpty());
    EXPECT_FALSE(o.abort);
    EXPECT_FALSE(o.timeStamps || o.quiet);
    EXPECT_TRUE(o.logFile.isEmpty());
}

TEST(RunOptions, EveryOptionIsRead) {
    const ParsedOptions p = parse("-b 9600 --bits 7 --stop 2 --hex --gap 15 --period 500 --count 3 -e ^06 -e ^15 "
                                  "-t 300 --abort ERR --time --log out.txt -q tcp://h:4001 01 02");
    ASSERT_TRUE(p.ok()) << p.error.toStdString();
    const RunOptions &o = p.options;
    EXPECT_EQ(o.port, "tcp://h:4001");
    EXPECT_EQ(o.line.baudRate, 9600);
    EXPECT_EQ(o.line.dataBits, 7);
    EXPECT_EQ(o.line.stopBits, core::StopBits::Two);
    EXPECT_EQ(o.mode, core::DataMode::Hex);
    EXPECT_EQ(o.tail, "") << "HEX empties the tail as the window does";
    EXPECT_EQ(o.gapMs, 15);
    EXPECT_EQ(o.periodMs, 500);
    EXPECT_EQ(o.count, 3);
    ASSERT_EQ(o.expect.size(), 2);
    EXPECT_EQ(o.expect[1].pattern(), "^15");
    EXPECT_EQ(o.timeoutMs, 300);
    EXPECT_EQ(o.abort->pattern(), "ERR");
    EXPECT_TRUE(o.timeStamps && o.quiet);
    EXPECT_EQ(o.logFile, "out.txt");
}

TEST(RunOptions, SourcesTailsAndActions) {
    EXPECT_EQ(parse("p -f cmds.txt").options.source, RunOptions::Source::File);
    EXPECT_EQ(parse("p --file cmds.txt").options.file, "cmds.txt");
    EXPECT_EQ(parse("p -m 7").options.macroList, 7);
    EXPECT_EQ(parse("p -").options.source, RunOptions::Source::StandardInput);
    EXPECT_EQ(parse("p --stop 1.5 --bits 5 A").options.line.stopBits, core::StopBits::OneAndHalf);
    EXPECT_EQ(parse("p --stop 1,5 --bits 5 A").options.line.stopBits, core::StopBits::OneAndHalf);
    EXPECT_EQ(parseRunOptions({"r", "--tail", "*[XOR_8 (1..n)]$0D$0A", "p", "A"}).options.tail,
              "*[XOR_8 (1..n)]$0D$0A");
    EXPECT_EQ(parseRunOptions({"r", "--hex", "--tail", " [SUM_8(0..n)]", "p", "01"}).options.tail, " [SUM_8(0..n)]");
    EXPECT_EQ(parse("--help").options.action, RunOptions::Action::Help);
    EXPECT_EQ(parse("--version").options.action, RunOptions::Action::Version);
    EXPECT_EQ(parse("--list-ports").options.action, RunOptions::Action::ListPorts);
    EXPECT_EQ(parse("p -e OK A B C").options.expect.size(), 1) << "one expectation for every command";
}

TEST(RunOptions, UsageErrorsNameTheOption) {
    const struct {
        const char *arguments;
        const char *error;
    } cases[] = {
        {"", "no PORT given"},
        {"p", "nothing to send"},
        {"p -b fast A", "--baud: 'fast' is not a whole number"},
        {"p --bits 9 A", "--bits: '9' is not a whole number from 5 to 8"},
        {"p --stop 3 A", "--stop: '3' is not 1, 1.5 or 2"},
        {"p --stop 1.5 A", "--stop: 8 data bits do not go with these stop bits"},
        {"p -f a.txt A", "--file: give either"},
        {"p -m 101", "--macros: '101' is not a whole number from 1 to 100"},
        {"p --gap 100001 A", "--gap:"},
        {"p --period 100000 A", "--period:"},
        {"p -t 0 A", "--timeout:"},
        {"p --count -1 A", "--count:"},
        {"p -e ( A", "--expect: '(' is not a regular expression"},
        {"p -e A -e B A B C", "--expect: given 2 times for 3 commands"},
        {"p --abort A --abort B A", "--abort: give it once"},
        {"p --bogus A", "Unknown option 'bogus'"},
        {"p -b", "Missing value after '-b'"},
    };
    for (const auto &c : cases) {
        const ParsedOptions p = parse(QString::fromUtf8(c.arguments));
        EXPECT_TRUE(p.error.startsWith(QString::fromUtf8(c.error))) << c.arguments << " -> " << p.error.toStdString();
    }
}

TEST(RunOptions, LineControlsAreReadAndWrongValuesNamed) {
    const struct {
        const char *arguments;
        core::LineSettings line;
        core::ModemOutputs outputs;
        std::optional<std::pair<core::ModemLine, int>> pulse;
        std::optional<int> breakMs;
        bool printLines;
    } cases[] = {
        {"p A", core::kStartLineSettings, {}, {}, {}, false},
        {"-b 250000 --parity even --flow rtscts p A",
         {250000, 8, core::StopBits::One, core::Parity::Even, core::FlowControl::RtsCts},
         {},
         {},
         {},
         false},
        {"-b 31250 --bits 7 --parity mark --flow xonxoff p A",
         {31250, 7, core::StopBits::One, core::Parity::Mark, core::FlowControl::XonXoff},
         {},
         {},
         {},
         false},
        {"--dtr on --rts off --pulse dtr:100 --break 250 --lines p A",
         core::kStartLineSettings,
         {true, false},
         std::pair{core::ModemLine::Dtr, 100},
         250,
         true},
        {"--rts on --pulse rts:5 p A",
         core::kStartLineSettings,
         {false, true},
         std::pair{core::ModemLine::Rts, 5},
         {},
         false},
    };
    for (const auto &c : cases) {
        const ParsedOptions p = parse(QString::fromUtf8(c.arguments));
        ASSERT_TRUE(p.ok()) << c.arguments << " -> " << p.error.toStdString();
        EXPECT_EQ(p.options.line, c.line) << c.arguments;
        EXPECT_EQ(p.options.outputs, c.outputs) << c.arguments;
        EXPECT_EQ(p.options.pulse, c.pulse) << c.arguments;
        EXPECT_EQ(p.options.breakMs, c.breakMs) << c.arguments;
        EXPECT_EQ(p.options.printLines, c.printLines) << c.arguments;
    }
    const std::pair<const char *, const char *> errors[] = {
        {"--parity e p A", "--parity: 'e' is not one of none|even|odd|mark|space"},
        {"--flow hw p A", "--flow: 'hw' is not one of none|rtscts|xonxoff"},
        {"--dtr 1 p A", "--dtr: '1' is not one of on|off"},
        {"--pulse dtr p A", "--pulse: 'dtr' is not dtr:MS or rts:MS"},
        {"--pulse cts:100 p A", "--pulse: 'cts:100' is not"},
        {"--pulse dtr:0 p A", "--pulse: 'dtr:0' is not"},
        {"--break 0 p A", "--break: '0' is not a whole number"},
        {"-b 0 p A", "--baud: '0' is not a whole number"},
    };
    for (const auto &[arguments, error] : errors) {
        const ParsedOptions p = parse(QString::fromUtf8(arguments));
        EXPECT_TRUE(p.error.startsWith(QString::fromUtf8(error))) << arguments << " -> " << p.error.toStdString();
    }
}

TEST(RunOptions, HelpShowsEveryOptionAndTheExamples) {
    const QString help = runHelpText();
    EXPECT_TRUE(help.startsWith("Usage: terminalkvr-run [options] PORT [COMMAND...]\n")) << help.toStdString();
    for (const char *option :
         {"--baud",       "--bits",  "--stop",    "--file",      "--macros",   "--tail",       "--hex", "--gap",
          "--period",     "--count", "--expect",  "--timeout",   "--abort",    "--time",       "--log", "--quiet",
          "--list-ports", "--help",  "--version", "--send-file", "--protocol", "--file-answer"})
        EXPECT_TRUE(help.contains(option)) << option;
    // Commands, hex over RFC 2217, a file into a boot loader.
    EXPECT_EQ(help.count("\n  terminalkvr-run "), 3);
}

TEST(RunOptions, PortArgumentLeadsToTheListedPortOrAsWritten) {
    const QList<core::PortEntry> listed{{"ttyUSB0", "/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI-if00"},
                                        {"tcp://h:4001", "tcp://h:4001"}};
    const struct {
        const char *argument;
        const char *location;
        const char *stable;
    } cases[] = {
        {"ttyUSB0", "/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI-if00"},
        {"/dev/ttyS3", "/dev/ttyS3", ""},
        {"/dev/serial/by-id/usb-X-if00", "/dev/serial/by-id/usb-X-if00", "/dev/serial/by-id/usb-X-if00"},
        {"rfc2217://[::1]:2217", "rfc2217://[::1]:2217", ""},
        {"ttyUSB9", "", ""},
        {"./ttyUSB0", "./ttyUSB0", ""},
        {"../dev/ttyUSB0", "../dev/ttyUSB0", ""},
    };
    for (const auto &c : cases) {
        const core::PortEntry port = choosePort(QString::fromUtf8(c.argument), [&] { return listed; });
        EXPECT_EQ(port.location, c.location) << c.argument;
        EXPECT_EQ(port.stableLocation, c.stable) << c.argument;
    }
    EXPECT_EQ(listLine(listed[0]), "ttyUSB0\t/dev/serial/by-id/usb-FTDI-if00");
    EXPECT_EQ(listLine(listed[1]), "tcp://h:4001");
}
