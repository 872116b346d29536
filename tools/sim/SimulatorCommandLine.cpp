#include "sim/SimulatorCommandLine.h"

#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"

#include <QCommandLineParser>
#include <QStringList>

namespace {

std::string Text(const QString& text) { return text.toLocal8Bit().toStdString(); }

std::uint64_t PositiveCount(const std::string& option, const std::string& text) {
    std::int32_t value = 0;
    bool digitsOnly = !text.empty();
    for (char c : text) digitsOnly = digitsOnly && c >= '0' && c <= '9';
    if (!digitsOnly || !TryStrToInt(text, value) || value < 1)
        throw EUsageError("--" + option + " needs a whole number from 1 to 2147483647, not '" +
                          text + "'");
    return static_cast<std::uint64_t>(value);
}

}  // namespace

std::string SimulatorUsage() {
    // One line: the man page's synopsis is made from it, and it takes the first line only.
    return "Usage: orvant3k-sim [--device PATH | --link PATH | --service-link PATH] "
           "[--rate HZ | --fast] [--start \"YYYY-MM-DD hh:mm:ss\"] [--count N] "
           "[--line-end crlf|cr|lfcr] [--bad-every N]\n"
           "\n"
           "The simulated ORVANT-3K magnetometer: one 61-character line per sample at 9600 8N1.\n"
           "The device the lines go to is printed on the first line of standard output.\n"
           "\n"
           "  --device PATH    write to this existing serial device or pseudo-terminal\n"
           "  --link PATH      create a pseudo-terminal (the default) and a symbolic link to it\n"
           "                   here; the link is removed at exit\n"
           "  --service-link PATH  as --link, for the recorder service: the pseudo-terminal\n"
           "                   goes to the group dialout with mode 0660 and the link's folder\n"
           "                   is made; PATH must be outside /tmp, which the service does not\n"
           "                   see (run as root, e.g. /run/orvant3k-sim/instrument)\n"
           "  --rate HZ        lines per second, e.g. 1 (default), 0.5 or 10\n"
           "  --fast           as fast as the device takes them; stamps one second apart\n"
           "  --start TIME     the first time stamp, \"YYYY-MM-DD hh:mm:ss\" (default: now)\n"
           "  --count N        stop after N lines, once the device has taken them all\n"
           "  --line-end END   crlf (default), cr, or lfcr\n"
           "  --bad-every N    every Nth line bad: one character short, then one that does\n"
           "                   not parse, in turn\n"
           "  --help           show this help\n"
           "  --version        show the version\n"
           "\n"
           "Ends cleanly on SIGINT, SIGTERM or SIGHUP (exit 0); bad arguments exit 2,\n"
           "failures 1.\n";
}

TSimulatorCommand ParseSimulatorCommandLine(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption device("device", "", "PATH");
    const QCommandLineOption link("link", "", "PATH");
    const QCommandLineOption serviceLink("service-link", "", "PATH");
    const QCommandLineOption rate("rate", "", "HZ");
    const QCommandLineOption fast("fast");
    const QCommandLineOption start("start", "", "TIME");
    const QCommandLineOption count("count", "", "N");
    const QCommandLineOption lineEnd("line-end", "", "END");
    const QCommandLineOption badEvery("bad-every", "", "N");
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version("version");
    parser.addOptions({device, link, serviceLink, rate, fast, start, count, lineEnd, badEvery, help, version});

    QStringList list{"orvant3k-sim"};
    for (const std::string& argument : arguments) list << QString::fromLocal8Bit(argument);
    if (!parser.parse(list)) throw EUsageError(Text(parser.errorText()));
    if (!parser.positionalArguments().isEmpty())
        throw EUsageError("Unexpected argument '" + Text(parser.positionalArguments().first()) +
                          "'.");
    for (const QString& name : parser.optionNames())
        if (parser.optionNames().count(name) > 1)
            throw EUsageError("--" + Text(name) + " is given more than once.");

    TSimulatorCommand command;
    if (parser.isSet(help)) {
        command.Action = TSimulatorCommand::TAction::Help;
        return command;
    }
    if (parser.isSet(version)) {
        command.Action = TSimulatorCommand::TAction::Version;
        return command;
    }
    if (int(parser.isSet(device)) + int(parser.isSet(link)) + int(parser.isSet(serviceLink)) > 1)
        throw EUsageError("--device, --link and --service-link exclude each other: a link is made "
                          "only to a pseudo-terminal the simulator creates.");
    if (parser.isSet(rate) && parser.isSet(fast))
        throw EUsageError("--rate and --fast exclude each other.");

    TSimulatorOptions& options = command.Options;
    const auto value = [&parser](const QCommandLineOption& option) {
        return Text(parser.value(option));
    };
    try {
        if (parser.isSet(device)) {
            options.DevicePath = value(device);
            if (options.DevicePath.empty()) throw EUsageError("--device needs a path.");
        }
        if (parser.isSet(link)) {
            options.LinkPath = value(link);
            if (options.LinkPath.empty()) throw EUsageError("--link needs a path.");
        }
        if (parser.isSet(serviceLink)) {
            options.LinkPath = value(serviceLink);
            options.ForService = true;
            if (options.LinkPath.empty() || options.LinkPath.front() != '/')
                throw EUsageError("--service-link needs an absolute path.");
            // The service runs with a private /tmp: a link there is out of its sight.
            for (const char* hidden : {"/tmp/", "/var/tmp/"})
                if (options.LinkPath.rfind(hidden, 0) == 0)
                    throw EUsageError("--service-link " + options.LinkPath +
                                      ": the service does not see " + hidden +
                                      " (PrivateTmp); use a path such as "
                                      "/run/orvant3k-sim/instrument");
        }
        if (parser.isSet(rate)) options.Rate = TLineRate::Parse(value(rate));
        options.Fast = parser.isSet(fast);
        if (parser.isSet(start)) options.Start = ParseStartTime(value(start));
        if (parser.isSet(count)) options.Count = PositiveCount("count", value(count));
        if (parser.isSet(lineEnd)) options.LineEnd = ParseLineEnd(value(lineEnd));
        if (parser.isSet(badEvery)) options.BadEvery = PositiveCount("bad-every", value(badEvery));
    } catch (const EConvertError& error) {
        throw EUsageError(error.what());
    }
    return command;
}
