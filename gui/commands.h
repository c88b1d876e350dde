#pragma once

#include <array>
#include <cstddef>

#include <QObject>
#include <QStringList>

class QAction;
class QToolBar;

namespace trimora::gui {

// The commands of the main window, in the order of its command table.
enum class CommandId {
    CompressCmd,
    RestoreAllCmd,
    RestoreCmd,
    RemBakCmd,
    AddDirCmd,
    ExitCmd,
    DeleteCmd,
    CropCmd,
    SyncDirsCmd,
    ClearCmd,
    LoadListCmd,
    SaveListCmd,
    SaveAsListCmd,
    RefreshCmd,
    PreviewCmd,
    ViewLogCmd,
    OptionCmd,
    HelpCmd,
    WhatsThisCmd,
    ShowTipsCmd,
    AboutCmd,
};
inline constexpr std::size_t CommandCount = 21;

struct CommandSpec {
    CommandId Id;
    const char* Name;         // as stored for toolbar buttons: "CompressCmd"
    const char* Caption;      // with its access key
    const char* MenuCaption;  // what the Help menu shows instead, or nullptr
    const char* Shortcut;     // portable text ("Ctrl+M"), or nullptr
    const char* Hint;         // nullptr: none
    int HelpContext;          // 0: none
};

// Every command, indexed by CommandId.
const std::array<CommandSpec, CommandCount>& CommandTable();
const CommandSpec& Spec(CommandId id);

// What the enabling of the commands depends on.
struct CommandState {
    bool ListEmpty = true;
    bool RowSelected = false;
    bool RunActive = false;  // a compress, restore, removal or synchronisation run is going on
    bool HelpMode = false;   // What's This? mode: every command is enabled
};

using CommandEnabling = std::array<bool, CommandCount>;  // indexed by CommandId

// Which commands are enabled in that state.
CommandEnabling EnabledCommands(const CommandState& state);

// The commands as actions, built from the table: caption, shortcut, hint (as
// tool tip and status tip), help context (property "helpContext", and its
// topic as What's This? text), icon, and the name as object name.
class TCommands : public QObject {
    Q_OBJECT
public:
    explicit TCommands(QObject* parent = nullptr);

    QAction* Action(CommandId id) const { return actions_[static_cast<std::size_t>(id)]; }
    const std::array<QAction*, CommandCount>& Actions() const { return actions_; }
    // The command of that name, compared exactly, or nullptr.
    QAction* FindActionByName(const QString& name) const;
    QStringList Names() const;
    // What a menu shows for the command: its action, or for Show Tips an
    // entry captioned "&Tip of the Day" that runs it and follows its enabling.
    QAction* MenuEntry(CommandId id);

    void ApplyEnabling(const CommandState& state);

private:
    std::array<QAction*, CommandCount> actions_{};
    std::array<QAction*, CommandCount> menuEntries_{};
};

// The help context of an action built here; 0 for anything else.
int HelpContextOf(const QAction* action);

// The main toolbar's buttons as stored: command names, "" for a separator.
QStringList ToolbarButtons(const QToolBar& toolbar);
// Rebuilds the toolbar from such a list (a name that is not a command makes a
// separator) and shows it; a toolbar without items is disabled.
void FillToolbar(QToolBar& toolbar, const QStringList& buttons, const TCommands& commands);

}  // namespace trimora::gui
