#include "cli/Command.h"

#include "cli/Console.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace
{

QCommandLineOption helpOption()
{
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                              QStringLiteral("Zeigt, wie dieser Befehl aufgerufen wird."));
}

// Qt's own texts for a wrong option, in German. Loaded only when one is
// needed: a correct call should not pay for it.
void loadGermanQtTexts()
{
    static bool loaded = false;
    if (loaded || !QCoreApplication::instance())
        return;
    loaded = true;
    auto *qt = new QTranslator(QCoreApplication::instance());
    if (qt->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
}

} // namespace

Command::Command(QString name, QString description, QString syntax, int minArguments, int maxArguments)
    : m_name(std::move(name)), m_description(std::move(description)), m_syntax(std::move(syntax)),
      m_min(minArguments), m_max(maxArguments)
{
}

QCommandLineOption Command::fileOption()
{
    return QCommandLineOption(
        QStringLiteral("file"),
        QStringLiteral("Diese Einstellungsdatei statt DAZovozoved.ini neben dem Programm."),
        QStringLiteral("DATEI"));
}

QString Command::programName()
{
    return QStringLiteral("VADaroradarAdadad-cli");
}

QString Command::usage() const
{
    QString text = QStringLiteral("Aufruf: %1 %2 [OPTIONEN]").arg(programName(), m_name);
    if (!m_syntax.isEmpty())
        text += u' ' + m_syntax;
    text += QStringLiteral("\n\n") + m_description + u'\n';
    if (!m_details.isEmpty())
        text += u'\n' + m_details + u'\n';
    text += QStringLiteral("\nOptionen:\n");
    return text + OptionLines(m_options + QList<QCommandLineOption>{fileOption(), helpOption()});
}

int Command::run(const QStringList &arguments, CommandContext &context)
{
    const auto parse = [&](QCommandLineParser &parser) {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOptions(m_options);
        parser.addOption(fileOption());
        parser.addOption(helpOption());
        return parser.parse(arguments);
    };
    QCommandLineParser parser;
    if (!parse(parser)) {
        loadGermanQtTexts();
        QCommandLineParser translated;
        parse(translated);
        context.console.message(translated.errorText());
        context.console.hint(QStringLiteral("Hilfe: %1 help %2").arg(programName(), m_name));
        return kWrongUsage;
    }
    if (parser.isSet(helpOption())) {
        context.console.text(usage());
        return kDone;
    }
    const qsizetype count = parser.positionalArguments().size();
    if (count < m_min || (m_max >= 0 && count > m_max)) {
        context.console.message(count < m_min ? QStringLiteral("Zu wenige Argumente für %1").arg(m_name)
                                              : QStringLiteral("Zu viele Argumente für %1").arg(m_name));
        context.console.hint(QStringLiteral("Aufruf: %1 %2 %3").arg(programName(), m_name, m_syntax));
        return kWrongUsage;
    }
    if (parser.isSet(fileOption()))
        context.settingsPath = QDir::current().absoluteFilePath(parser.value(fileOption()));
    return execute(parser, context);
}

QString OptionLines(const QList<QCommandLineOption> &options)
{
    QString text;
    for (const QCommandLineOption &option : options) {
        QStringList names;
        for (const QString &name : option.names())
            names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
        QString line = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            line += u' ' + option.valueName();
        text += line.leftJustified(28) + u' ' + option.description() + u'\n';
    }
    return text;
}

QString Shown(const QString &text)
{
    constexpr qsizetype kMax = 60;
    if (text.size() <= kMax)
        return text;
    return text.first(kMax) + QStringLiteral("…");
}
