#include <iostream>

#include "cli_commands.h"
#include "cli_settings.h"

namespace trimora::cli {

namespace {

constexpr std::string_view AssociateHelp =
    "Usage: trimora-cli associate on|off|status\n"
    "\n"
    "Associates *.lst files (Trimora batch lists) with the Trimora window for this\n"
    "user: the MIME type application/x-trimora-list and a desktop entry with the\n"
    "actions \"Open Trimora Batch List\" and \"Run Trimora Batch List\".\n"
    "\n"
    "  on       create the association; files of the same name with other content\n"
    "           are first copied into association-backup in the data folder\n"
    "  off      remove the association; only files exactly as Trimora wrote them\n"
    "           are removed\n"
    "  status   say whether the association is in place\n"
    "\n"
    "The association starts the trimora installed beside trimora-cli or, when\n"
    "trimora-cli runs from a build folder, that build's gui/trimora; each command\n"
    "names it and says which.\n"
    "\n"
    "update-mime-database and update-desktop-database run after a change when\n"
    "they are installed.\n"
    "\n"
    "Exit status: 0 on success, 1 when the association could not be changed,\n"
    "2 on a usage error.\n";

void PrintState(const app::LstAssociation& association, const app::WindowProgram& program, bool inPlace) {
    std::cout << "*.lst association: " << (inPlace ? "in place" : "not in place") << '\n'
              << "  " << association.MimePackageFile().toStdString() << '\n'
              << "  " << association.DesktopFile().toStdString() << '\n'
              << "  program: " << program.Path.toStdString()
              << (program.InBuildFolder ? " (build folder)" : " (installed)") << '\n';
}

}  // namespace

int RunAssociateCommand(const Arguments& arguments) {
    for (const std::string& argument : arguments) {
        if (IsHelpOption(argument)) {
            std::cout << AssociateHelp;
            return ExitOk;
        }
    }
    if (arguments.size() != 1) return UsageError("associate", "give one of on, off and status");
    const std::string& action = arguments[0];
    if (action != "on" && action != "off" && action != "status")
        return UsageError("associate", "unknown associate command '" + action + "'");

    const app::WindowProgram program = DesktopProgram();
    const app::LstAssociation association = app::LstAssociation::ForProgram(program.Path);
    if (action == "status") {
        PrintState(association, program, app::AssociateLst(false, false, association));
        return ExitOk;
    }
    const bool associate = action == "on";
    app::AssociationReport report;
    app::AssociateLst(associate, true, association, &report);
    const bool inPlace = app::AssociateLst(false, false, association);
    for (const QString& kept : report.KeptFiles)
        std::cout << "Kept the file it replaced as " << kept.toStdString() << '\n';
    PrintState(association, program, inPlace);
    PrintMessages("associate " + action, report.Problems);
    return inPlace == associate && report.Problems.isEmpty() ? ExitOk : ExitFailed;
}

}  // namespace trimora::cli
