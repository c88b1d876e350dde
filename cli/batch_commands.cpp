// compress, restore, remove-backups and sync: the batch operations on the
// files, folders and list files named on the command line.

#include <iostream>

#include "batch_invocation.h"
#include "batch_texts.h"
#include "cli_commands.h"
#include "compress_run.h"
#include "option_parser.h"
#include "report.h"
#include "restore.h"

namespace trimora::cli {

namespace {

constexpr std::string_view ChoosingHelp =
    "  -r, --recurse           scan sub-folders of the folders given (the default)\n"
    "      --no-recurse        scan only the folders themselves\n"
    "      --exclude PATTERN   leave out what PATTERN matches; may be repeated.\n"
    "                          '*' and '?' as in the rules' patterns, letters in\n"
    "                          either case, matched against the name and against\n"
    "                          the path below the folder given. PATTERN/ matches\n"
    "                          folders, which are then not scanned; any other\n"
    "                          PATTERN matches files. Examples: '*.min.js',\n"
    "                          node_modules/, 'vendor/*.css'\n"
    "      --hidden            also take files and folders whose names begin\n"
    "                          with '.' (left out otherwise)\n";

constexpr std::string_view RulesHelp =
    "      --rules RULES       the tag-settings file deciding which files are\n"
    "                          supported and how, or classic or modern for a\n"
    "                          built-in set (default: trimora.nti in the data\n"
    "                          folder, made from the classic rules on first use);\n"
    "                          a file that cannot be read, is no tag-settings file\n"
    "                          or is damaged stops the command before it writes\n";

constexpr std::string_view ReportHelp =
    "      --report FILE       write the size report to FILE; - for standard output\n"
    "      --report-format F   log (the window's View Log text, the default), csv\n"
    "                          or json: one record per file with its status, plain\n"
    "                          byte counts and the percentage saved, then the totals\n";

constexpr std::string_view QuietHelp =
    "  -q, --quiet             print nothing but errors\n"
    "  -h, --help              show this help\n";

constexpr std::string_view CompressHelp =
    "Usage: trimora-cli compress [OPTIONS] PATH...\n"
    "Compresses the files, folders and list files (.lst) given. Folders are scanned\n"
    "for the files the rules support. Each file is replaced by its compressed text\n"
    "after its original is kept as --backup says; with --out the compressed copies\n"
    "go to another folder instead and the originals stay untouched.\n"
    "\n"
    "Where the output goes:\n"
    "  -o, --out DIR           write the compressed copies below DIR (absolute, or\n"
    "                          relative to the current folder), in the folder tree\n"
    "                          of the folder given; a copy that already holds\n"
    "                          exactly the compressed text is left as it is. Two\n"
    "                          files never share one copy: the second is refused.\n"
    "      --flat              with --out: put every copy straight into DIR\n"
    "      --preserve-dirs     with --out: keep the folder tree (the default)\n"
    "      --sync              with --out: then copy every other file below the\n"
    "                          folder given into DIR as well (images, and files\n"
    "                          an --exclude PATTERN left uncompressed; not what a\n"
    "                          PATTERN/ or the hidden rule leaves out), replacing\n"
    "                          a copy whose source is newer or differs in size: a\n"
    "                          complete site to deploy\n"
    "      --backup METHOD     without --out, how originals are kept: move[:DIR]\n"
    "                          (DIR absolute, or relative to each file's folder;\n"
    "                          default backup/ beside each file), suffix[:SUFFIX]\n"
    "                          (default .bak), trash (a copy goes to the desktop\n"
    "                          trash), none\n"
    "\n"
    "Choosing files (files named one by one are always taken):\n";

constexpr std::string_view CompressHelpEnd =
    "  -j, --jobs N            compress with N workers at once; the results are\n"
    "                          the same as with one (default 1)\n"
    "  -n, --dry-run           compress in memory only and report what would be\n"
    "                          saved and copied; nothing is written\n";

constexpr std::string_view CompressHelpTail =
    "\n"
    "Without --out and --backup the stored settings decide, as in the window.\n"
    "\n"
    "Output: one line per file, its path and status (\"Finished\", \"Unable to\n"
    "Backup\", \"Compress Failed\"), then the number of files and their bytes; with\n"
    "--sync a line for each file copied (\"copied\" or \"updated\" and its path in\n"
    "DIR) and their number. On a terminal a progress line is kept on standard\n"
    "error during long runs; Ctrl+C stops after the files being compressed.\n"
    "\n"
    "Exit status: 0 when every file ended well; 1 when a file ended in \"Unable to\n"
    "Backup\" or \"Compress Failed\" (two files would share one copy, for one), a\n"
    "PATH is missing or a file named is one no format supports, the rules cannot\n"
    "be used, or a copy or the report could not be written; 2 on a usage error.\n"
    "\n"
    "Examples:\n"
    "  trimora-cli compress -o dist --sync --exclude '*.min.js' --exclude node_modules/ site/\n"
    "  trimora-cli compress --backup suffix:.orig -j 4 site/\n";

constexpr std::string_view RestoreHelp =
    "Usage: trimora-cli restore [OPTIONS] PATH...\n"
    "Puts the originals of the files given back from the backups that Trimora\n"
    "made and recorded. The method of --backup is tried first and, while one\n"
    "fails, the next one in turn (move, suffix, trash); a failure names each\n"
    "method tried and why it failed, and a restore that fell back says so.\n"
    "Restoring a folder also brings back recorded originals whose file is gone.\n"
    "A backup is only taken back for the file it was made from.\n"
    "\n"
    "Options:\n"
    "      --backup METHOD     the method tried first: move[:DIR], suffix[:SUFFIX],\n"
    "                          trash or none (see 'trimora-cli compress --help');\n"
    "                          default: the stored settings\n";

constexpr std::string_view RestoreHelpTail =
    "\n"
    "Output: one line per file, its path and \"Restored\" or \"Restore Failed\",\n"
    "then the number of files and their bytes.\n"
    "\n"
    "Exit status: 0 when every file was restored; 1 when one ended in \"Restore\n"
    "Failed\", a PATH is missing or a file named is one no format supports, the\n"
    "rules cannot be used or the report could not be written; 2 on a usage error.\n";

constexpr std::string_view RemoveBackupsHelp =
    "Usage: trimora-cli remove-backups [OPTIONS] PATH...\n"
    "Deletes the backups that Trimora made of the files given, for good; the\n"
    "files stay as they are. The method of --backup is tried first, then the\n"
    "others in turn; copies in the desktop trash are left to the trash.\n"
    "\n"
    "Options:\n"
    "      --backup METHOD     the method tried first: move[:DIR], suffix[:SUFFIX],\n"
    "                          trash or none (see 'trimora-cli compress --help');\n"
    "                          default: the stored settings\n";

constexpr std::string_view RemoveBackupsHelpTail =
    "\n"
    "Output: one line per file, its path and \"Backup Removed\" or \"Backup Removal\n"
    "Failed\", then the number of files and their bytes.\n"
    "\n"
    "Exit status: 0 when every backup was removed; 1 when a file ended in \"Backup\n"
    "Removal Failed\", a PATH is missing or a file named is one no format\n"
    "supports, the rules cannot be used or the report could not be written; 2 on\n"
    "a usage error.\n";

constexpr std::string_view SyncHelp =
    "Usage: trimora-cli sync -o DIR [OPTIONS] PATH...\n"
    "Copies every file below the folder given (the folder common to the PATHs and\n"
    "their files) that the mirror folder DIR lacks, images for instance, so that\n"
    "DIR becomes a complete copy of the site beside the compressed files that\n"
    "'trimora-cli compress -o DIR' wrote there; folders are made as needed. A\n"
    "file already in DIR stays as it is, unless --update. The copy of a file\n"
    "the rules compress is never replaced: DIR holds its compressed text.\n"
    "Symbolic links are neither followed nor copied.\n"
    "\n"
    "Options:\n"
    "  -o, --out DIR           the mirror folder (absolute, or relative to the\n"
    "                          current folder); default: the stored OtherFolder\n"
    "                          when it is absolute\n"
    "      --preserve-dirs     accepted; the mirror always keeps the folder tree\n"
    "      --update            also replace a copy whose source is newer or\n"
    "                          differs in size\n"
    "      --exclude PATTERN   leave out what PATTERN matches, as compress does:\n"
    "                          PATTERN/ matches folders, which are not copied;\n"
    "                          files a pattern matches are copied as they are (they\n"
    "                          were not compressed)\n"
    "      --hidden            also copy files and folders whose names begin with\n"
    "                          '.' (left out otherwise)\n";

constexpr std::string_view SyncHelpEnd =
    "  -n, --dry-run           list what would be copied; nothing is written\n";

constexpr std::string_view SyncHelpTail =
    "\n"
    "Output: a line for each file copied (\"copied\" or \"updated\" and its path in\n"
    "DIR), then their number.\n"
    "\n"
    "Exit status: 0 when every copy was made; 1 when a PATH is missing, the rules\n"
    "cannot be used or a copy could not be made; 2 on a usage error (no DIR).\n";

enum class Operation { Compress, Restore, RemoveBackups, Sync };

struct OperationInfo {
    Operation Kind;
    std::string_view Name;
    unsigned Options;
};

constexpr unsigned ChoosingOptions = OptRecurse | OptNoRecurse | OptExclude | OptHidden;

constexpr OperationInfo Operations[] = {
    {Operation::Compress, "compress",
     OptOut | OptFlat | OptPreserveDirs | OptSync | OptBackup | ChoosingOptions | OptRules | OptReport |
         OptReportFormat | OptJobs | OptDryRun | OptQuiet},
    {Operation::Restore, "restore", OptBackup | ChoosingOptions | OptRules | OptReport | OptReportFormat | OptQuiet},
    {Operation::RemoveBackups, "remove-backups",
     OptBackup | ChoosingOptions | OptRules | OptReport | OptReportFormat | OptQuiet},
    {Operation::Sync, "sync",
     OptOut | OptPreserveDirs | OptUpdate | OptExclude | OptHidden | OptRules | OptDryRun | OptQuiet},
};

void PrintHelp(Operation kind) {
    switch (kind) {
        case Operation::Compress:
            std::cout << CompressHelp << ChoosingHelp << "\nRules, reports and the run:\n"
                      << RulesHelp << ReportHelp << CompressHelpEnd << QuietHelp << CompressHelpTail;
            break;
        case Operation::Restore:
            std::cout << RestoreHelp << ChoosingHelp << RulesHelp << ReportHelp << QuietHelp << RestoreHelpTail;
            break;
        case Operation::RemoveBackups:
            std::cout << RemoveBackupsHelp << ChoosingHelp << RulesHelp << ReportHelp << QuietHelp
                      << RemoveBackupsHelpTail;
            break;
        case Operation::Sync:
            std::cout << SyncHelp << RulesHelp << SyncHelpEnd << QuietHelp << SyncHelpTail;
            break;
    }
}

void PrintTotals(const BatchSession& session) {
    if (session.Invocation.Quiet) return;
    const TStatusTotals totals = StatusTotals(session.List->EntryList, ",");
    std::cout << totals.Files << "  " << totals.Sizes << '\n';
}

int RunOperation(const OperationInfo& info, const Arguments& arguments) {
    if (AsksForHelp(arguments)) {
        PrintHelp(info.Kind);
        return ExitOk;
    }
    // Wrong usage is reported before anything is read or written; then the
    // options given override the stored settings for this run only.
    BatchInvocation invocation;
    if (const auto error = ParseBatchInvocation(arguments, info.Options, info.Name, invocation))
        return UsageError(info.Name, *error);
    // A mirror always keeps the folder tree.
    if (info.Kind == Operation::Sync) invocation.PreserveDirs = true;
    BatchSession session(info.Name, invocation);
    if (!session.Start()) return ExitFailed;
    if (info.Kind == Operation::Sync && !SyncPreconditionHolds(session.Settings))
        return UsageError(info.Name, "sync needs the mirror folder: --out DIR");

    session.AddPaths(info.Kind == Operation::Restore);
    TFileList& list = *session.List;
    bool aborted = false;
    switch (info.Kind) {
        case Operation::Compress: {
            std::int64_t bytes = 0;
            for (const TFileEntry& entry : list.EntryList) bytes += entry.Size;
            session.Callbacks.StartProgress(list.EntryList.size(), bytes);
            TRunSettings run;
            run.Jobs = invocation.Jobs;
            run.DryRun = invocation.DryRun;
            run.BaseFolder = session.Base();
            run.KeepIdenticalOutputs = true;
            aborted = CompressFiles(list, run).Aborted;
            session.Callbacks.EndProgress();
            PrintTotals(session);
            if (invocation.Sync && !aborted) session.ReportSync(SyncDirectories(list, session.SyncSettings(true)));
            break;
        }
        case Operation::Restore:
            RestoreFiles(list, -1);
            PrintTotals(session);
            break;
        case Operation::RemoveBackups:
            RemBakFiles(list, -1);
            PrintTotals(session);
            break;
        case Operation::Sync:
            session.ReportSync(SyncDirectories(list, session.SyncSettings(invocation.Update)));
            break;
    }
    if (aborted) std::cerr << "trimora-cli " << info.Name << ": stopped before every file was done\n";
    if (invocation.DryRun && !invocation.Quiet) std::cout << "Dry run: nothing was written.\n";
    session.WriteReport();
    return session.Failed() || aborted ? ExitFailed : ExitOk;
}

const OperationInfo& Find(Operation kind) {
    for (const OperationInfo& info : Operations)
        if (info.Kind == kind) return info;
    return Operations[0];
}

}  // namespace

int RunCompressCommand(const Arguments& arguments) { return RunOperation(Find(Operation::Compress), arguments); }
int RunRestoreCommand(const Arguments& arguments) { return RunOperation(Find(Operation::Restore), arguments); }
int RunRemoveBackupsCommand(const Arguments& arguments) {
    return RunOperation(Find(Operation::RemoveBackups), arguments);
}
int RunSyncCommand(const Arguments& arguments) { return RunOperation(Find(Operation::Sync), arguments); }

}  // namespace trimora::cli
