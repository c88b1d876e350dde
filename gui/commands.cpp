#include "commands.h"

#include <QAction>
#include <QKeySequence>
#include <QToolBar>

#include "gui_resources.h"
#include "help.h"

namespace trimora::gui {

namespace {

using enum CommandId;

constexpr std::array<CommandSpec, CommandCount> Table = {{
    {CompressCmd, "CompressCmd", "Co&mpress Files", nullptr, "Ctrl+M", "Compress files", 10030},
    {RestoreAllCmd, "RestoreAllCmd", "&Restore All", nullptr, "Ctrl+R", "Restore all files", 10040},
    {RestoreCmd, "RestoreCmd", "Restore", nullptr, nullptr, "Restore selected file(s)", 10075},
    {RemBakCmd, "RemBakCmd", "Remove &Backups", nullptr, "Ctrl+B", "Remove backups", 10035},
    {AddDirCmd, "AddDirCmd", "Add &Directory...", nullptr, nullptr, "Add directory", 10050},
    {ExitCmd, "ExitCmd", "&Exit", nullptr, nullptr, "Exit", 10080},
    {DeleteCmd, "DeleteCmd", "&Delete", nullptr, "Del", "Delete selected file(s)", 10010},
    {CropCmd, "CropCmd", "C&rop", nullptr, "Shift+Del", "Crop selected file(s)", 10020},
    {SyncDirsCmd, "SyncDirsCmd", "Syncronize Directories", nullptr, nullptr, nullptr, 0},
    {ClearCmd, "ClearCmd", "&New List", nullptr, "Ctrl+Del", "New list", 10015},
    {LoadListCmd, "LoadListCmd", "&Load List...", nullptr, "Ctrl+O", "Load list", 10045},
    {SaveListCmd, "SaveListCmd", "&Save List...", nullptr, "Ctrl+S", "Save list", 10025},
    {SaveAsListCmd, "SaveAsListCmd", "Save &As...", nullptr, nullptr, "Save list as a different file", 10085},
    {RefreshCmd, "RefreshCmd", "&Refresh List", nullptr, "F5", "Refresh List", 10095},
    {PreviewCmd, "PreviewCmd", "Preview in Default Browser", nullptr, nullptr, "Preview in Default Browser", 10055},
    {ViewLogCmd, "ViewLogCmd", "View Log", nullptr, nullptr, "View Log", 10090},
    {OptionCmd, "OptionCmd", "&Options...", nullptr, nullptr, "Options for Trimora", 10070},
    {HelpCmd, "HelpCmd", "&Help Topics", nullptr, "F1", "Help Topics", 10060},
    {WhatsThisCmd, "WhatsThisCmd", "What's This?", nullptr, "Shift+F1", "What's This?", 0},
    {ShowTipsCmd, "ShowTipsCmd", "&Show Tips", "&Tip of the Day", nullptr, nullptr, 0},
    {AboutCmd, "AboutCmd", "&About", nullptr, nullptr, "About", 10065},
}};

constexpr bool TableInOrder() {
    for (std::size_t i = 0; i < Table.size(); ++i)
        if (static_cast<std::size_t>(Table[i].Id) != i) return false;
    return true;
}
static_assert(TableInOrder(), "the command table is indexed by CommandId");

constexpr std::size_t Index(CommandId id) { return static_cast<std::size_t>(id); }

// Commands that act on the rows of the list: disabled while it is empty.
constexpr CommandId NeedRows[] = {ViewLogCmd,  ClearCmd,      CompressCmd,  RemBakCmd,  RestoreAllCmd,
                                  SaveListCmd, SaveAsListCmd, RefreshCmd,   CropCmd,    DeleteCmd,
                                  PreviewCmd,  RestoreCmd};
// ... and of those, the ones that act on the selected rows.
constexpr CommandId NeedSelection[] = {CropCmd, DeleteCmd, PreviewCmd, RestoreCmd};
// Commands that change the list, start a run or change what a run reads:
// disabled while a run goes on.
constexpr CommandId ChangeWhatRunsRead[] = {CompressCmd, RestoreAllCmd, RestoreCmd, RemBakCmd, AddDirCmd,
                                            DeleteCmd,   CropCmd,       SyncDirsCmd, ClearCmd, LoadListCmd,
                                            RefreshCmd,  OptionCmd};

}  // namespace

const std::array<CommandSpec, CommandCount>& CommandTable() { return Table; }

const CommandSpec& Spec(CommandId id) { return Table[Index(id)]; }

CommandEnabling EnabledCommands(const CommandState& state) {
    CommandEnabling enabled;
    enabled.fill(true);
    if (state.HelpMode) return enabled;
    if (state.ListEmpty)
        for (CommandId id : NeedRows) enabled[Index(id)] = false;
    else if (!state.RowSelected)
        for (CommandId id : NeedSelection) enabled[Index(id)] = false;
    if (state.RunActive)
        for (CommandId id : ChangeWhatRunsRead) enabled[Index(id)] = false;
    return enabled;
}

TCommands::TCommands(QObject* parent) : QObject(parent) {
    for (const CommandSpec& spec : Table) {
        auto* action = new QAction(QString::fromUtf8(spec.Caption), this);
        action->setObjectName(QLatin1String(spec.Name));
        if (spec.Shortcut != nullptr) action->setShortcut(QKeySequence(QLatin1String(spec.Shortcut)));
        if (spec.Hint != nullptr) {
            action->setToolTip(QString::fromUtf8(spec.Hint));
            action->setStatusTip(QString::fromUtf8(spec.Hint));
        }
        if (spec.HelpContext != 0) {
            action->setProperty("helpContext", spec.HelpContext);
            action->setWhatsThis(HelpContextText(spec.HelpContext));
        }
        action->setIcon(BundledIcon(QLatin1String(spec.Name)));
        actions_[Index(spec.Id)] = action;
    }
    Action(WhatsThisCmd)->setCheckable(true);
}

QAction* TCommands::FindActionByName(const QString& name) const {
    for (QAction* action : actions_)
        if (action->objectName() == name) return action;
    return nullptr;
}

QStringList TCommands::Names() const {
    QStringList names;
    for (const CommandSpec& spec : Table) names << QLatin1String(spec.Name);
    return names;
}

QAction* TCommands::MenuEntry(CommandId id) {
    QAction* action = Action(id);
    const char* menuCaption = Spec(id).MenuCaption;
    if (menuCaption == nullptr) return action;
    QAction*& entry = menuEntries_[Index(id)];
    if (entry == nullptr) {
        entry = new QAction(action->icon(), QString::fromUtf8(menuCaption), this);
        entry->setObjectName(action->objectName() + QStringLiteral("Menu"));
        entry->setEnabled(action->isEnabled());
        connect(entry, &QAction::triggered, action, &QAction::trigger);
        connect(action, &QAction::enabledChanged, entry, &QAction::setEnabled);
    }
    return entry;
}

void TCommands::ApplyEnabling(const CommandState& state) {
    const CommandEnabling enabled = EnabledCommands(state);
    for (std::size_t i = 0; i < CommandCount; ++i) actions_[i]->setEnabled(enabled[i]);
}

int HelpContextOf(const QAction* action) {
    return action != nullptr ? action->property("helpContext").toInt() : 0;
}

QStringList ToolbarButtons(const QToolBar& toolbar) {
    QStringList buttons;
    for (const QAction* action : toolbar.actions()) buttons << (action->isSeparator() ? QString() : action->objectName());
    return buttons;
}

void FillToolbar(QToolBar& toolbar, const QStringList& buttons, const TCommands& commands) {
    toolbar.clear();
    for (const QString& name : buttons) {
        if (QAction* action = commands.FindActionByName(name))
            toolbar.addAction(action);
        else
            toolbar.addSeparator();
    }
    toolbar.setEnabled(!buttons.isEmpty());
    toolbar.setVisible(true);
}

}  // namespace trimora::gui
