#include "app/WindowArguments.h"

#include <QDir>

WindowArguments parseWindowArguments(const QStringList &arguments, const QString &currentFolder)
{
    WindowArguments parsed;
    bool optionsEnded = false;
    for (const QString &argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded
                   && (argument == QLatin1String("-h") || argument == QLatin1String("--help"))) {
            parsed.action = WindowArguments::Action::ShowHelp;
        } else if (!optionsEnded
                   && (argument == QLatin1String("-v") || argument == QLatin1String("--version"))) {
            if (parsed.action != WindowArguments::Action::ShowHelp)
                parsed.action = WindowArguments::Action::ShowVersion;
        } else if (!optionsEnded && argument.startsWith(u'-') && argument.size() > 1) {
            if (parsed.action == WindowArguments::Action::Open) {
                parsed.action = WindowArguments::Action::UsageError;
                parsed.error = QStringLiteral("Unknown option '%1'.").arg(argument);
            }
        } else if (!argument.isEmpty()) {
            // cleanPath() works on the text alone, so a name that is not UTF-8 keeps its bytes.
            parsed.paths << QDir::cleanPath(
                QDir::isAbsolutePath(argument) ? argument : currentFolder + u'/' + argument);
        }
    }
    if (parsed.action != WindowArguments::Action::Open)
        parsed.paths.clear();
    if (parsed.action != WindowArguments::Action::UsageError)
        parsed.error.clear();
    return parsed;
}

QString windowHelpText()
{
    return QStringLiteral(
        "Usage: quillmere [options] [PATH...]\n"
        "Opens the window that writes the text of each HTML file in its list beside it, as a\n"
        ".txt file of the same name. Each PATH, a file or a folder, goes into the list as if\n"
        "dropped on it. quillmere-convert does the same without a window.\n"
        "\n"
        "Options:\n"
        "  -h, --help     Show this help.\n"
        "  -v, --version  Show the version.\n"
        "\n"
        "Qt's own options (-platform, -style, ...) are taken too.\n");
}

bool displayNamed(const QStringList &arguments)
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || arguments.contains(QLatin1String("-platform"));
}
