// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/window_options.h"

#include <QCommandLineParser>
#include <set>
#include <utility>
#include <vector>

namespace dspprog {

namespace {

// The help lines of a row as one paragraph: the parser wraps it itself.
QString HelpParagraph(const StartOptionRow& row) {
    QStringList lines;
    for (const char* line : row.help) lines << QString::fromUtf8(line);
    return lines.join(' ');
}

}  // namespace

OptionsVerdict ParseWindowOptions(const QStringList& arguments, StartOptions& options,
                                  QString& text) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The operator's window of the TMS320VC5509 USB chip programmer.");
    const QCommandLineOption help = parser.addHelpOption();
    std::vector<std::pair<StartOption, QCommandLineOption>> taken;
    for (const StartOptionRow& row : StartOptionRows()) {
        if (row.command_line_only) continue;
        QCommandLineOption option(QString::fromUtf8(row.name), HelpParagraph(row));
        if (row.value_name != nullptr) option.setValueName(QString::fromUtf8(row.value_name));
        parser.addOption(option);
        taken.emplace_back(row.id, option);
    }

    if (!parser.parse(arguments)) {
        text = parser.errorText();
        return OptionsVerdict::Error;
    }
    if (parser.isSet(help)) {
        text = parser.helpText();
        return OptionsVerdict::Help;
    }
    if (!parser.positionalArguments().isEmpty()) {
        text = "unexpected argument '" + parser.positionalArguments().first() + "'";
        return OptionsVerdict::Error;
    }

    options = StartOptions{};
    std::set<StartOption> given;
    std::string error;
    for (const auto& [id, option] : taken) {
        if (!parser.isSet(option)) continue;
        given.insert(id);
        const QStringList values =
            RowOf(id).value_name != nullptr ? parser.values(option) : QStringList{QString()};
        for (const QString& value : values) {
            if (!ApplyStartOption(id, value.toStdString(), options, error)) {
                text = QString::fromStdString(error);
                return OptionsVerdict::Error;
            }
        }
    }
    if (!CheckStartOptions(given, options, error)) {
        text = QString::fromStdString(error);
        return OptionsVerdict::Error;
    }
    return OptionsVerdict::Run;
}

}  // namespace dspprog
