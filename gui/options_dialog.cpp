#include "options_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include "commands.h"
#include "dialogs.h"
#include "help.h"
#include "settings_store.h"
#include "tag_tree_editor.h"
#include "thread_priority.h"
#include "toolbar_page.h"
#include "widget_text.h"

namespace trimora::gui {

namespace {

constexpr char AccessWord[] = "QUORVEND";
constexpr char PriorityHint[] = "Sets the thread priority - the higher the priority the faster but less responsive";

// Slider positions 1 to 7 are the priority levels in order.
int PositionOfLevel(int level) {
    for (std::size_t i = 0; i < app::PriorityLevels.size(); ++i)
        if (app::PriorityLevels[i].Level == level) return static_cast<int>(i) + 1;
    return 4;
}

void SetHelpContext(QWidget* widget, int helpContext) { widget->setWhatsThis(HelpContextText(helpContext)); }

template <typename Control>
Control* Named(Control* control, const char* name, int helpContext = 0) {
    control->setObjectName(QLatin1String(name));
    if constexpr (std::is_base_of_v<QAbstractButton, Control>) SetAccessibleCaption(control, control->text());
    if (helpContext != 0) SetHelpContext(control, helpContext);
    return control;
}

void SetEnabled(std::initializer_list<QWidget*> controls, bool enabled) {
    for (QWidget* control : controls) control->setEnabled(enabled);
}

}  // namespace

int TfmOptions::KeyPos = 1;

TfmOptions::TfmOptions(TOptionsContext& context, const TTagInfo& rules, QWidget* owner)
    : QDialog(owner), context_(context) {
    setObjectName(QStringLiteral("fmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlag(Qt::WindowContextHelpButtonHint);
    setSizeGripEnabled(true);
    resize(300, 350);
    setMinimumSize(300, 350);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    // Five pages do not fit a narrow dialog in one row: the row scrolls.
    PageControl1->setUsesScrollButtons(true);
    PageControl1->setAccessibleName(QStringLiteral("Option pages"));
    TagEditor_ = new TTagTreeEditor(CopyRuleTree(rules), context.Dialogs, this);
    TagEditor_->setObjectName(QStringLiteral("tsTags"));
    ToolbarPage_ = new TToolbarPage(context.Commands, this);
    ToolbarPage_->setObjectName(QStringLiteral("tsToolbar"));
    SetHelpContext(ToolbarPage_, 14000);
    PageControl1->addTab(BuildCompressPage(), QStringLiteral("Compress"));
    PageControl1->addTab(TagEditor_, QStringLiteral("Individual Tags"));
    PageControl1->addTab(BuildFileFormatsPage(), QStringLiteral("File Formats"));
    PageControl1->addTab(ToolbarPage_, QStringLiteral("Toolbar"));
    PageControl1->addTab(BuildOtherPage(), QStringLiteral("Other"));

    btOK = Named(new QPushButton(QStringLiteral("&OK"), this), "btOK");
    btOK->setDefault(true);
    connect(btOK, &QPushButton::clicked, this, &TfmOptions::btOKClick);
    // Esc closes the dialog as Cancel does.
    btCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "btCancel");
    btCancel->setAutoDefault(false);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    Button2 = Named(new QPushButton(QStringLiteral("Save"), this), "Button2");
    Button2->setAutoDefault(false);
    Button2->hide();
    connect(Button2, &QPushButton::clicked, this, [this] {
        TagEditor_->ApplyTree();
        rulesApplied_ = true;
    });
    Button3 = Named(new QPushButton(QStringLiteral("Build"), this), "Button3");
    Button3->setAutoDefault(false);
    Button3->hide();
    connect(Button3, &QPushButton::clicked, this, [this] { TagEditor_->ShowInTree(TagEditor_->TagView()); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    buttons->addStretch();
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);

    Open();
}

QWidget* TfmOptions::BuildCompressPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsCompress"));
    SetHelpContext(page, 11000);

    rbOutDirOriginal = Named(new QRadioButton(QStringLiteral("Place compressed file in the original folder"), page),
                             "rbOutDirOriginal", 11050);
    gbExistingFile = Named(new QGroupBox(QStringLiteral(" Original File "), page), "gbExistingFile");
    rbDelExist = Named(new QRadioButton(QStringLiteral("Delete"), gbExistingFile), "rbDelExist", 11010);
    cbRecycle = Named(new QCheckBox(QStringLiteral("Send to Recycle Bin"), gbExistingFile), "cbRecycle", 11020);
    rbRenExist = Named(new QRadioButton(QStringLiteral("Add Suffix"), gbExistingFile), "rbRenExist", 11030);
    edSuffix = Named(new QLineEdit(QStringLiteral(".bak"), gbExistingFile), "edSuffix", 11030);
    SetAccessibleCaption(edSuffix, QStringLiteral("Suffix"));
    rbMove = Named(new QRadioButton(QStringLiteral("Move"), gbExistingFile), "rbMove", 11040);
    edMove = Named(new QLineEdit(gbExistingFile), "edMove", 11040);
    SetAccessibleCaption(edMove, QStringLiteral("Move to folder"));
    btBrowse1 = Named(new QPushButton(QStringLiteral("..."), gbExistingFile), "btBrowse1");
    SetAccessibleCaption(btBrowse1, QStringLiteral("Choose the folder to move originals to"));
    btBrowse1->setAutoDefault(false);
    btBrowse1->setFixedWidth(28);
    rbOutDirOther = Named(new QRadioButton(QStringLiteral("Place compressed file in another folder"), page),
                          "rbOutDirOther", 11060);
    edOtherFldr = Named(new QLineEdit(page), "edOtherFldr", 11060);
    SetAccessibleCaption(edOtherFldr, QStringLiteral("Other folder"));
    btBrowse2 = Named(new QPushButton(QStringLiteral("..."), page), "btBrowse2");
    SetAccessibleCaption(btBrowse2, QStringLiteral("Choose the folder for compressed files"));
    btBrowse2->setAutoDefault(false);
    btBrowse2->setFixedWidth(28);
    cbPreserveDir = Named(new QCheckBox(QStringLiteral("Preserve directory structure"), page), "cbPreserveDir");

    // The choices a dialog starts with; opening puts the stored ones in their place.
    rbOutDirOriginal->setChecked(true);
    rbDelExist->setChecked(true);
    cbRecycle->setEnabled(false);
    edMove->setEnabled(false);
    edOtherFldr->setEnabled(false);

    auto* group = new QGridLayout(gbExistingFile);
    group->addWidget(rbDelExist, 0, 0);
    group->addWidget(cbRecycle, 0, 1, 1, 2);
    group->addWidget(rbRenExist, 1, 0);
    group->addWidget(edSuffix, 1, 1, 1, 2);
    group->addWidget(rbMove, 2, 0);
    group->addWidget(edMove, 2, 1);
    group->addWidget(btBrowse1, 2, 2);
    group->setColumnStretch(1, 1);
    auto* other = new QHBoxLayout;
    other->addSpacing(20);
    other->addWidget(edOtherFldr);
    other->addWidget(btBrowse2);
    auto* preserve = new QHBoxLayout;
    preserve->addSpacing(20);
    preserve->addWidget(cbPreserveDir);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(rbOutDirOriginal);
    layout->addWidget(gbExistingFile);
    layout->addSpacing(6);
    layout->addWidget(rbOutDirOther);
    layout->addLayout(other);
    layout->addLayout(preserve);
    layout->addStretch();

    auto onChoice = [this](QRadioButton* radio, void (TfmOptions::*rule)()) {
        connect(radio, &QRadioButton::toggled, this, [this, rule](bool chosen) {
            if (chosen) (this->*rule)();
        });
    };
    onChoice(rbOutDirOriginal, &TfmOptions::rbOutDirOriginalClick);
    onChoice(rbOutDirOther, &TfmOptions::rbOutDirOtherClick);
    onChoice(rbDelExist, &TfmOptions::rbDelExistClick);
    onChoice(rbRenExist, &TfmOptions::rbRenExistClick);
    onChoice(rbMove, &TfmOptions::rbMoveClick);
    connect(btBrowse1, &QPushButton::clicked, this, [this] { btBrowseClick(edMove); });
    connect(btBrowse2, &QPushButton::clicked, this, [this] { btBrowseClick(edOtherFldr); });
    return page;
}

QWidget* TfmOptions::BuildFileFormatsPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsFileFormats"));
    SetHelpContext(page, 13000);
    cbAssociateLst = Named(new QCheckBox(QStringLiteral("&Associate with *.lst"), page), "cbAssociateLst", 13040);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbAssociateLst);
    layout->addStretch();
    return page;
}

QWidget* TfmOptions::BuildOtherPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsOther"));
    SetHelpContext(page, 15000);
    lbThread = Named(new QLabel(QStringLiteral("Thread Priority:"), page), "lbThread");
    lbThread->setToolTip(QLatin1String(PriorityHint));
    TrackBar1 = Named(new QSlider(Qt::Horizontal, page), "TrackBar1", 15010);
    TrackBar1->setRange(1, 7);
    TrackBar1->setSingleStep(1);
    TrackBar1->setPageStep(1);
    TrackBar1->setTickInterval(1);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setValue(4);
    TrackBar1->setToolTip(QLatin1String(PriorityHint));
    SetAccessibleCaption(TrackBar1, lbThread->text());
    lbThread->setBuddy(TrackBar1);
    lbThreadPriority = Named(new QLabel(QStringLiteral("Normal"), page), "lbThreadPriority");
    lbThreadPriority->setAlignment(Qt::AlignHCenter);
    cbRecurse = Named(new QCheckBox(QStringLiteral("Add folders recursively"), page), "cbRecurse", 15020);
    cbRecurse->setToolTip(QStringLiteral("Adds the contents of the folder and any sub folders"));
    cbAutoSaveLoad = Named(new QCheckBox(QStringLiteral("AutoSave/AutoLoad"), page), "cbAutoSaveLoad", 15030);
    connect(TrackBar1, &QSlider::valueChanged, this, &TfmOptions::TrackBar1Change);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(lbThread);
    layout->addWidget(TrackBar1);
    layout->addWidget(lbThreadPriority);
    layout->addSpacing(12);
    layout->addWidget(cbRecurse);
    layout->addWidget(cbAutoSaveLoad);
    layout->addStretch();
    return page;
}

void TfmOptions::Open() {
    QSettings& store = context_.Store.Settings();
    store.beginGroup(QLatin1String(app::OptionsFormGroup));
    QRect bounds = geometry();
    const bool placed = store.contains(QStringLiteral("Left")) && store.contains(QStringLiteral("Top"));
    app::LoadFormPos(store, bounds);
    store.endGroup();
    bounds.setSize(bounds.size().expandedTo(minimumSize()));
    if (placed)
        setGeometry(bounds);
    else
        resize(bounds.size());

    cbAssociateLst->setChecked(app::AssociateLst(false, false, context_.Association));

    const app::TrimoraSettings& settings = context_.Settings;
    cbRecurse->setChecked(settings.Recurse);
    edOtherFldr->setText(settings.OtherFolder);
    edSuffix->setText(settings.Suffix);
    edMove->setText(settings.MoveFolder);
    cbAutoSaveLoad->setChecked(settings.AutoSaveLoad);

    const std::uint32_t options = settings.CompressOptions;
    cbPreserveDir->setChecked((options & coPreserveDirs) != 0);
    if ((options & coDelete) != 0) rbDelExist->setChecked(true);
    cbRecycle->setChecked((options & coRecycle) != 0);
    if ((options & coSuffix) != 0) rbRenExist->setChecked(true);
    if ((options & coMove) != 0) rbMove->setChecked(true);
    // The enabled controls always match the stored choices, whether or not
    // they differ from the ones a dialog starts with.
    if ((options & coOtherFolder) != 0) {
        rbOutDirOther->setChecked(true);
        rbOutDirOtherClick();
    } else {
        rbOutDirOriginal->setChecked(true);
        rbOutDirOriginalClick();
    }

    const int position = PositionOfLevel(app::CurrentThreadPriority());
    if (position != TrackBar1->value()) TrackBar1->setValue(position);

    ToolbarPage_->Fill(ToolbarButtons(context_.Toolbar));
    TagEditor_->ShowInTree(TagEditor_->TagView());
}

TfmOptions::~TfmOptions() {
    QSettings& store = context_.Store.Settings();
    store.beginGroup(QLatin1String(app::OptionsFormGroup));
    app::SaveFormPos(store, geometry());
    store.endGroup();
    // A store that cannot be written keeps the old bounds; not worth a message.
    context_.Store.Sync();
    TagEditor_->ClearTree();
}

std::optional<TTagInfo> TfmOptions::TakeEditedRules() {
    if (!rulesApplied_) return std::nullopt;
    rulesApplied_ = false;
    return std::move(TagEditor_->Formats);
}

void TfmOptions::rbOutDirOriginalClick() {
    SetEnabled({btBrowse2, edOtherFldr, cbPreserveDir}, false);
    SetEnabled({gbExistingFile, rbDelExist, rbRenExist, rbMove}, true);
    if (rbDelExist->isChecked()) rbDelExistClick();
    if (rbRenExist->isChecked()) rbRenExistClick();
    if (rbMove->isChecked()) rbMoveClick();
}

void TfmOptions::rbOutDirOtherClick() {
    SetEnabled({gbExistingFile, rbDelExist, cbRecycle, rbRenExist, edSuffix, rbMove, edMove, btBrowse1}, false);
    SetEnabled({edOtherFldr, btBrowse2, cbPreserveDir}, true);
}

void TfmOptions::rbDelExistClick() {
    SetEnabled({edSuffix, edMove, btBrowse1}, false);
    cbRecycle->setEnabled(true);
}

void TfmOptions::rbRenExistClick() {
    SetEnabled({edMove, btBrowse1, cbRecycle}, false);
    edSuffix->setEnabled(true);
}

void TfmOptions::rbMoveClick() {
    SetEnabled({edSuffix, cbRecycle}, false);
    SetEnabled({edMove, btBrowse1}, true);
}

void TfmOptions::btBrowseClick(QLineEdit* edit) {
    const QString start = QDir::isAbsolutePath(edit->text()) ? edit->text() : QDir::homePath();
    const QString folder = context_.Dialogs.ChooseFolder(this, QStringLiteral("Select Directory"), start);
    if (!folder.isEmpty()) edit->setText(QDir::toNativeSeparators(folder));
}

void TfmOptions::TrackBar1Change(int position) {
    const app::PriorityLevel& wanted = app::PriorityLevels[static_cast<std::size_t>(position - 1)];
    app::ApplyThreadPriority(wanted.Level);
    // A raise the system refuses leaves the priority where it was; the
    // slider shows what is in force.
    const int inForce = PositionOfLevel(app::CurrentThreadPriority());
    if (inForce != position) {
        const QSignalBlocker blocker(TrackBar1);
        TrackBar1->setValue(inForce);
    }
    lbThreadPriority->setText(QLatin1String(app::PriorityLevels[static_cast<std::size_t>(inForce - 1)].Name));
}

void TfmOptions::btOKClick() {
    TagEditor_->ApplyTree();
    rulesApplied_ = true;

    std::uint32_t options = 0;
    if (rbOutDirOther->isChecked()) options |= coOtherFolder;
    if (cbPreserveDir->isChecked()) options |= coPreserveDirs;
    if (rbDelExist->isChecked()) options |= coDelete;
    if (cbRecycle->isChecked()) options |= coRecycle;
    if (rbRenExist->isChecked()) options |= coSuffix;
    if (rbMove->isChecked()) options |= coMove;
    app::TrimoraSettings& settings = context_.Settings;
    settings.CompressOptions = options;
    settings.OtherFolder = edOtherFldr->text();
    settings.Suffix = edSuffix->text();
    settings.MoveFolder = edMove->text();
    settings.Recurse = cbRecurse->isChecked();
    settings.AutoSaveLoad = cbAutoSaveLoad->isChecked();

    // The desktop's databases are refreshed when the association changes.
    app::AssociateLst(cbAssociateLst->isChecked(), true, context_.Association);

    FillToolbar(context_.Toolbar, ToolbarPage_->Buttons(), context_.Commands);
    accept();
}

void TfmOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Every key typed in the dialog reaches its window first, once.
    if (!watchingKeys_ && windowHandle() != nullptr) {
        windowHandle()->installEventFilter(this);
        watchingKeys_ = true;
    }
}

bool TfmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::KeyPress) KeyPressed(*static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

void TfmOptions::KeyPressed(const QKeyEvent& key) {
    // Ctrl's own key-down (its repeats too) counts as a key with Ctrl and
    // matches no letter, so the word has to be typed within one press.
    const bool control = key.key() == Qt::Key_Control || key.modifiers().testFlag(Qt::ControlModifier);
    if (!control) return;
    const int expected = Qt::Key_A + (AccessWord[KeyPos - 1] - 'A');
    if (key.key() != expected) {
        KeyPos = 1;
        return;
    }
    if (KeyPos < static_cast<int>(sizeof AccessWord) - 1) {
        ++KeyPos;
        return;
    }
    Button2->show();
    Button3->show();
    KeyPos = 1;
}

}  // namespace trimora::gui
