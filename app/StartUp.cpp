#include "StartUp.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cstdlib>

namespace morvane {

namespace {

// The options QGuiApplication and QApplication read from the command line themselves.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption QtOptions[] = {
    {"session", true},       {"platform", true},     {"platformpluginpath", true},
    {"platformtheme", true}, {"plugin", true},       {"qwindowgeometry", true},
    {"qwindowicon", true},   {"qwindowtitle", true}, {"reverse", false},
    {"display", true},       {"geometry", true},     {"style", true},
    {"stylesheet", true},    {"widgetcount", false}, {"nograb", false},
    {"dograb", false},       {"sync", false},
};

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

CommandLine readCommandLine(const std::vector<std::string>& arguments, const std::string& version) {
    QCommandLineParser parser;
    // Qt's own options are written with one dash ("-session id").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Morvane keeps an eye on a list of files and shows which of them changed."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption showVersion({QStringLiteral("v"), QStringLiteral("version")},
                                         QStringLiteral("Shows the version and exits."));
    parser.addOption(help);
    parser.addOption(showVersion);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Adds the file to the watch list, ticked, as dropping it on the window "
                       "does; a file already listed is ticked, not added again. When Morvane "
                       "already runs on the same data folder, the files go to it."),
        QStringLiteral("[FILE...]"));
    for (const QtOption& qt : QtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue) option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    QStringList list;
    for (const std::string& argument : arguments) list << QString::fromLocal8Bit(argument);
    if (list.isEmpty()) list << QStringLiteral("morvane");

    // Without an application object Qt cannot name the program in its usage line.
    const QString name = QFileInfo(list.front()).fileName();
    const std::string usage =
        parser.helpText().replace(QStringLiteral("<executable_name>"), name).toStdString();
    const std::string misused = name.toStdString() + ": ";

    CommandLine result;
    if (!parser.parse(list)) {
        result.action = CommandLine::Misused;
        result.text = misused + parser.errorText().toStdString() + "\n\n" + usage;
    } else if (parser.isSet(help)) {
        result.action = CommandLine::ShowHelp;
        result.text = usage;
    } else if (parser.isSet(showVersion)) {
        result.action = CommandLine::ShowVersion;
        result.text = "Morvane " + version + "\n";
    } else {
        const QDir current = QDir::current();
        for (const QString& file : parser.positionalArguments())
            result.files.push_back(
                QDir::cleanPath(current.absoluteFilePath(file)).toLocal8Bit().toStdString());
    }
    result.chosePlatform =
        parser.isSet(QStringLiteral("platform")) || parser.isSet(QStringLiteral("display"));
    return result;
}

DisplayRoute chooseDisplayRoute(const DisplayEnvironment& environment, bool chosePlatform) {
    if (chosePlatform || !environment.qtPlatform.empty()) return DisplayRoute::AsItIs;
    const bool x11 = !environment.display.empty();
    const bool wayland =
        !environment.waylandDisplay.empty() || environment.sessionType == "wayland";
    if (x11 && wayland) return DisplayRoute::ThroughXWayland;
    if (!x11 && environment.waylandDisplay.empty()) return DisplayRoute::NoDisplay;
    return DisplayRoute::AsItIs;
}

DisplayEnvironment environmentOfThisProcess() {
    return {variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("XDG_SESSION_TYPE"),
            variable("QT_QPA_PLATFORM")};
}

}  // namespace morvane
