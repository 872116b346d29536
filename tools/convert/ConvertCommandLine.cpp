#include "convert/ConvertCommandLine.h"

#include <QCommandLineParser>
#include <QStringList>

namespace {

std::string Text(const QString& text) { return text.toLocal8Bit().toStdString(); }

// "YYYY-MM-DD" as a whole day.
TDateTime Day(const std::string& option, const std::string& text) {
    const auto digits = [&](std::size_t at, std::size_t count) {
        int value = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (text[i] < '0' || text[i] > '9') return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        const int year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
        if (year >= 1 && month >= 1 && month <= 12 && day >= 1 &&
            day <= DaysInMonth(year, month))
            return EncodeDate(year, month, day);
    }
    throw EUsageError("--" + option + " needs a date YYYY-MM-DD, not '" + text + "'");
}

}  // namespace

std::string ConvertUsage() {
    // One line: the man page's synopsis is made from it, and it takes the first line only.
    return "Usage: orvant3k-convert [--settings FILE] [--filter FILE] [--from YYYY-MM-DD] "
           "[--to YYYY-MM-DD] [--intermagnet] [--iaga-seconds] [--iaga-minutes] "
           "[--imagcdf-seconds] [--imagcdf-minutes] [--out DIR] PATH...\n"
           "\n"
           "Rebuilds INTERMAGNET, IAGA-2002 and ImagCDF files from the station's archive. PATH names\n"
           "archive files or folders, searched recursively for archive files (YYYYMMDDHHNNSS.orv);\n"
           "their lines are taken in time order. Lines that do not parse are counted and\n"
           "reported, never fatal. Existing files are never overwritten.\n"
           "\n"
           "  --settings FILE  the station's settings file: header fields, interval, filter and\n"
           "                   products (default: the station's own settings file)\n"
           "  --filter FILE    take the filter's coefficients from this .filter file\n"
           "  --from DAY       leave out lines before this day (YYYY-MM-DD)\n"
           "  --to DAY         leave out lines after this day (YYYY-MM-DD)\n"
           "  --intermagnet    write INTERMAGNET IMFV1.22 files\n"
           "  --iaga-seconds   write IAGA-2002 one-second files\n"
           "  --iaga-minutes   write IAGA-2002 filtered one-minute files\n"
           "  --imagcdf-seconds\n"
           "                   write ImagCDF one-second day files\n"
           "  --imagcdf-minutes\n"
           "                   write ImagCDF filtered one-minute day files\n"
           "                   (none of these: the products the settings switch on)\n"
           "  --out DIR        write the INTERMAGNET/, IAGA2002/ and ImagCDF/ trees here\n"
           "                   (default: the working directory)\n"
           "  --help           show this help\n"
           "  --version        show the version\n"
           "\n"
           "Exit status: 0 on success, 1 when a file could not be read or written (each is\n"
           "named), 2 on a usage error.\n";
}

TConvertCommand ParseConvertCommandLine(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption settings("settings", "", "FILE");
    const QCommandLineOption filter("filter", "", "FILE");
    const QCommandLineOption from("from", "", "DAY");
    const QCommandLineOption to("to", "", "DAY");
    const QCommandLineOption intermagnet("intermagnet");
    const QCommandLineOption iagaSeconds("iaga-seconds");
    const QCommandLineOption iagaMinutes("iaga-minutes");
    const QCommandLineOption imagCdfSeconds("imagcdf-seconds");
    const QCommandLineOption imagCdfMinutes("imagcdf-minutes");
    const QCommandLineOption out("out", "", "DIR");
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version("version");
    parser.addOptions(
        {settings, filter, from, to, intermagnet, iagaSeconds, iagaMinutes, imagCdfSeconds, imagCdfMinutes,
         out, help, version});

    QStringList list{"orvant3k-convert"};
    for (const std::string& argument : arguments) list << QString::fromLocal8Bit(argument);
    if (!parser.parse(list)) throw EUsageError(Text(parser.errorText()));
    for (const QString& name : parser.optionNames())
        if (parser.optionNames().count(name) > 1)
            throw EUsageError("--" + Text(name) + " is given more than once.");

    TConvertCommand command;
    if (parser.isSet(help)) {
        command.Action = TConvertCommand::TAction::Help;
        return command;
    }
    if (parser.isSet(version)) {
        command.Action = TConvertCommand::TAction::Version;
        return command;
    }
    command.SettingsFile = Text(parser.value(settings));
    command.FilterFile = Text(parser.value(filter));
    if (parser.isSet(from)) command.FromDay = Day("from", Text(parser.value(from)));
    if (parser.isSet(to)) command.ToDay = Day("to", Text(parser.value(to)));
    if (command.FromDay != 0 && command.ToDay != 0 && command.FromDay > command.ToDay)
        throw EUsageError("--from " + Text(parser.value(from)) + " is after --to " +
                          Text(parser.value(to)) + ".");
    command.Products = {parser.isSet(intermagnet), parser.isSet(iagaSeconds), parser.isSet(iagaMinutes),
                        parser.isSet(imagCdfSeconds), parser.isSet(imagCdfMinutes)};
    if (parser.isSet(out)) command.OutputFolder = Text(parser.value(out));
    for (const QString& path : parser.positionalArguments()) command.Paths.push_back(Text(path));
    if (command.Paths.empty()) throw EUsageError("No archive file or folder is given.");
    return command;
}
