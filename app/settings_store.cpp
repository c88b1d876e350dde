#include "settings_store.h"

#include <algorithm>
#include <map>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include "app_paths.h"

namespace trimora::app {

namespace {

int UnescapedQuotes(const QString& text) {
    int quotes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\'))
            ++i;
        else if (text[i] == QLatin1Char('"'))
            ++quotes;
    }
    return quotes;
}

// Reports why a settings file cannot be trusted to be rewritten: bytes that
// are not text, or lines that are neither a comment, a [group] nor
// key=value. QSettings drops such lines silently when it writes the file.
QString CheckSettingsFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return {};
    if (!info.isFile()) return QStringLiteral("The settings file %1 is not a file").arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("Cannot open file %1").arg(path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return QStringLiteral("Cannot read file %1").arg(path);
    auto damaged = [&](qsizetype line) {
        return QStringLiteral(
                   "The settings file %1 is damaged (line %2): settings are read from it as far as "
                   "they can be and nothing is written to it until it is repaired or removed")
            .arg(path)
            .arg(line);
    };
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) return damaged(bytes.left(nul).count('\n') + 1);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (utf8.hasError()) {
        qsizetype number = 1;
        for (const QString& line : lines) {
            if (line.contains(QChar::ReplacementCharacter)) return damaged(number);
            ++number;
        }
        return damaged(1);
    }
    // A value goes on over the next line when it ends in a backslash or leaves
    // a double quote open.
    bool openQuote = false, backslash = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (openQuote || backslash) {
            openQuote = openQuote != (UnescapedQuotes(line) % 2 == 1);
            backslash = line.endsWith(QLatin1Char('\\'));
            continue;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']'))) return damaged(i + 1);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) return damaged(i + 1);
        const QString value = line.mid(equals + 1);
        openQuote = UnescapedQuotes(value) % 2 == 1;
        backslash = value.endsWith(QLatin1Char('\\'));
    }
    return {};
}

// Reads one value of the group currently open, when present; a value of the
// wrong type is reported by its full name and skipped.
template <typename T>
std::optional<T> ReadTyped(QSettings& store, const QString& key, std::optional<T> (*typeTest)(const QVariant&),
                           QStringList* warnings) {
    if (!store.contains(key)) return std::nullopt;
    std::optional<T> typed = typeTest(store.value(key));
    if (!typed && warnings != nullptr)
        warnings->append(
            InvalidDataTypeMessage(store.group().isEmpty() ? key : store.group() + QLatin1Char('/') + key));
    return typed;
}

std::optional<int> ReadNumber(QSettings& store, const QString& key, QStringList* warnings) {
    return ReadTyped(store, key, StoredNumber, warnings);
}

std::optional<QString> ReadText(QSettings& store, const QString& key, QStringList* warnings) {
    return ReadTyped(store, key, StoredText, warnings);
}

std::optional<bool> ReadSwitch(QSettings& store, const QString& key, QStringList* warnings) {
    return ReadTyped(store, key, StoredSwitch, warnings);
}

}  // namespace

bool IsBlank(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 32; });
}

SettingsStore::SettingsStore() { Open(); }

SettingsStore::~SettingsStore() = default;

void SettingsStore::Open() {
    settings_.reset();
    copyFolder_.reset();
    problem_.clear();
    const QString homeFile = TrimoraHomeSettingsFile();
    if (!homeFile.isEmpty()) {
        location_ = homeFile;
        settings_ = std::make_unique<QSettings>(homeFile, QSettings::IniFormat);
    } else {
        settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                QStringLiteral("Kestrova"), QStringLiteral("Trimora"));
        location_ = settings_->fileName();
#ifdef Q_OS_WIN
        fileBacked_ = false;
#endif
    }
    settings_->setFallbacksEnabled(false);
    // Through a temporary file and a rename, never by rewriting in place.
    settings_->setAtomicSyncRequired(true);
    if (!fileBacked_) {
        if (settings_->status() != QSettings::NoError)
            problem_ = QStringLiteral("Cannot open the settings at %1").arg(location_);
        return;
    }
    problem_ = CheckSettingsFile(location_);
    if (problem_.isEmpty() && settings_->status() == QSettings::FormatError)
        problem_ = QStringLiteral(
                       "The settings file %1 is damaged: settings are read from it as far as they can "
                       "be and nothing is written to it until it is repaired or removed")
                       .arg(location_);
    if (problem_.isEmpty()) return;
    // Read from a copy, so that nothing can ever write over the file itself.
    settings_.reset();
    copyFolder_ = std::make_unique<QTemporaryDir>();
    // Without a temporary folder nothing is read, and a QSettings without a
    // file name cannot write anywhere either.
    const QString copy = copyFolder_->isValid() ? copyFolder_->filePath(QStringLiteral("Trimora.conf")) : QString();
    if (!copy.isEmpty()) QFile::copy(location_, copy);
    settings_ = std::make_unique<QSettings>(copy, QSettings::IniFormat);
    settings_->setFallbacksEnabled(false);
}

bool SettingsStore::KeyExists() const { return !settings_->allKeys().isEmpty(); }

bool SettingsStore::Sync(QString* error) {
    if (!problem_.isEmpty()) {
        if (error != nullptr) *error = problem_;
        return false;
    }
    settings_->sync();
    if (settings_->status() == QSettings::NoError) return true;
    if (error != nullptr) *error = QStringLiteral("Cannot write the settings to %1").arg(location_);
    return false;
}

bool SettingsStore::SetDamagedFileAside(QString* keptAs, QString* error) {
    if (problem_.isEmpty() || !fileBacked_) return true;
    QString target = location_ + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = location_ + QStringLiteral(".damaged-%1").arg(n);
    if (!QFile::rename(location_, target)) {
        if (error != nullptr) *error = QStringLiteral("Cannot rename %1 to %2").arg(location_, target);
        return false;
    }
    if (keptAs != nullptr) *keptAs = target;
    Open();
    return problem_.isEmpty();
}

std::optional<QVariant> ReadStoredValue(QSettings& store, const SettingValue& value, bool* wrongType) {
    const QString key = QLatin1String(value.Key);
    if (wrongType != nullptr) *wrongType = false;
    if (!store.contains(key)) return std::nullopt;
    std::optional<QVariant> typed = StoredValue(value, store.value(key));
    if (!typed && wrongType != nullptr) *wrongType = true;
    return typed;
}

void LoadSettingsVariables(QSettings& store, TrimoraSettings& settings, QStringList* warnings) {
    // Bits no version ever wrote would send files where nobody expects them.
    if (const auto number = ReadNumber(store, QStringLiteral("CompressOptions"), warnings)) {
        if ((static_cast<std::uint32_t>(*number) & ~AllCompressOptions) == 0)
            settings.CompressOptions = static_cast<std::uint32_t>(*number);
        else if (warnings != nullptr)
            warnings->append(OutOfRangeMessage(QStringLiteral("CompressOptions")));
    }
    if (const auto text = ReadText(store, QStringLiteral("MoveFolder"), warnings)) settings.MoveFolder = *text;
    if (const auto text = ReadText(store, QStringLiteral("OtherFolder"), warnings)) settings.OtherFolder = *text;
    if (const auto on = ReadSwitch(store, QStringLiteral("Recurse"), warnings)) settings.Recurse = *on;
    if (const auto on = ReadSwitch(store, QStringLiteral("AutoSaveLoad"), warnings)) settings.AutoSaveLoad = *on;
    if (const auto number = ReadNumber(store, QStringLiteral("Priority"), warnings)) settings.Priority = *number;
    if (const auto text = ReadText(store, QStringLiteral("Suffix"), warnings)) settings.Suffix = *text;
    if (IsBlank(settings.Suffix)) settings.Suffix = DefaultTextOf("Suffix");
}

void LoadSettings(SettingsStore& store, TrimoraSettings& settings, const QStringList& commandNames,
                  QStringList* warnings) {
    QSettings& qs = store.Settings();
    LoadSettingsVariables(qs, settings, warnings);
    if (qs.contains(QLatin1String(ToolbarsStateKey))) {
        const QVariant state = qs.value(QLatin1String(ToolbarsStateKey));
        if (state.typeId() == QMetaType::QByteArray)
            settings.ToolbarsState = state.toByteArray();
        else if (warnings != nullptr)
            warnings->append(InvalidDataTypeMessage(QLatin1String(ToolbarsStateKey)));
    }
    settings.RecentLists = LoadRecentLists(qs, warnings);
    qs.beginGroup(QLatin1String(MainFormGroup));
    for (std::size_t i = 0; i < settings.ColumnWidths.size(); ++i)
        if (const auto width = ReadNumber(qs, QStringLiteral("Column %1").arg(i + 1), warnings)) {
            if (*width >= 0)
                settings.ColumnWidths[i] = *width;
            else if (warnings != nullptr)
                warnings->append(OutOfRangeMessage(QStringLiteral("MainForm/Column %1").arg(i + 1)));
        }
    LoadFormPos(qs, settings.MainFormBounds, warnings);
    settings.ToolbarButtons = LoadToolbar(qs, commandNames, warnings);
    if (const auto theme = ReadText(qs, QStringLiteral("Theme"), warnings)) settings.Theme = *theme;
    qs.endGroup();
}

bool SaveSettings(SettingsStore& store, const TrimoraSettings& settings, QString* error) {
    QSettings& qs = store.Settings();
    if (settings.ToolbarsState.isEmpty())
        qs.remove(QLatin1String(ToolbarsStateKey));
    else
        qs.setValue(QLatin1String(ToolbarsStateKey), settings.ToolbarsState);
    qs.setValue(QStringLiteral("CompressOptions"), static_cast<int>(settings.CompressOptions));
    qs.setValue(QStringLiteral("Recurse"), settings.Recurse ? 1 : 0);
    qs.setValue(QStringLiteral("AutoSaveLoad"), settings.AutoSaveLoad ? 1 : 0);
    qs.setValue(QStringLiteral("MoveFolder"), settings.MoveFolder);
    qs.setValue(QStringLiteral("OtherFolder"), settings.OtherFolder);
    qs.setValue(QStringLiteral("Priority"), settings.Priority);
    qs.setValue(QStringLiteral("Suffix"), settings.Suffix);
    SaveRecentLists(qs, settings.RecentLists);
    qs.beginGroup(QLatin1String(MainFormGroup));
    for (std::size_t i = 0; i < settings.ColumnWidths.size(); ++i)
        qs.setValue(QStringLiteral("Column %1").arg(i + 1), settings.ColumnWidths[i]);
    qs.setValue(QStringLiteral("Theme"), settings.Theme);
    SaveFormPos(qs, settings.MainFormBounds);
    SaveToolbar(qs, settings.ToolbarButtons);
    qs.endGroup();
    return store.Sync(error);
}

void SaveFormPos(QSettings& store, const QRect& bounds) {
    store.setValue(QStringLiteral("Width"), bounds.width());
    store.setValue(QStringLiteral("Height"), bounds.height());
    store.setValue(QStringLiteral("Left"), bounds.left());
    store.setValue(QStringLiteral("Top"), bounds.top());
}

void LoadFormPos(QSettings& store, QRect& bounds, QStringList* warnings) {
    if (const auto width = ReadNumber(store, QStringLiteral("Width"), warnings)) bounds.setWidth(*width);
    if (const auto height = ReadNumber(store, QStringLiteral("Height"), warnings)) bounds.setHeight(*height);
    if (const auto left = ReadNumber(store, QStringLiteral("Left"), warnings)) bounds.moveLeft(*left);
    if (const auto top = ReadNumber(store, QStringLiteral("Top"), warnings)) bounds.moveTop(*top);
}

void SaveToolbar(QSettings& store, const QStringList& buttons) {
    store.beginGroup(QLatin1String(ToolbarGroup));
    store.remove(QString());
    for (qsizetype i = 0; i < buttons.size(); ++i) store.setValue(QStringLiteral("Button %1").arg(i), buttons[i]);
    store.endGroup();
}

std::optional<QStringList> ReadToolbarNames(QSettings& store, QStringList* warnings) {
    if (!store.childGroups().contains(QLatin1String(ToolbarGroup))) return std::nullopt;
    store.beginGroup(QLatin1String(ToolbarGroup));
    // "Button 12" sorts after "Button 2": order by the number, not the text.
    std::map<int, QString> byNumber;
    for (const QString& key : store.childKeys()) {
        if (!key.startsWith(QLatin1String("Button "))) continue;
        const QString digits = key.mid(7);
        bool ok = false;
        const int number = digits.toInt(&ok);
        if (!ok || number < 0 || QString::number(number) != digits) continue;
        if (const auto name = ReadText(store, key, warnings)) byNumber[number] = *name;
    }
    store.endGroup();
    QStringList names;
    for (const auto& [number, name] : byNumber) names << name;
    return names;
}

QStringList LoadToolbar(QSettings& store, const QStringList& commandNames, QStringList* warnings) {
    QStringList buttons;
    for (const QString& name : ReadToolbarNames(store, warnings).value_or(QStringList()))
        buttons << (commandNames.contains(name) ? name : QString());
    return buttons;
}

QStringList LoadRecentLists(QSettings& store, QStringList* warnings) {
    QStringList recent;
    if (!store.childGroups().contains(QLatin1String(RecentListsGroup))) return recent;
    store.beginGroup(QLatin1String(RecentListsGroup));
    for (int i = 9; i >= 1; --i) {
        const auto path = ReadText(store, QString::number(i), warnings);
        if (!path || path->isEmpty()) continue;
        recent.removeAll(*path);
        recent.prepend(*path);
        while (recent.size() > MaxRecentLists) recent.removeLast();
    }
    store.endGroup();
    return recent;
}

void SaveRecentLists(QSettings& store, const QStringList& recentLists) {
    store.beginGroup(QLatin1String(RecentListsGroup));
    for (int i = 1; i <= 9; ++i) store.remove(QString::number(i));
    for (qsizetype i = 0; i < std::min<qsizetype>(recentLists.size(), MaxRecentLists); ++i)
        store.setValue(QString::number(i + 1), recentLists[i]);
    store.endGroup();
}

std::optional<bool> ReadShowTips(QSettings& store, QStringList* warnings) {
    return ReadSwitch(store, QStringLiteral("ShowTips"), warnings);
}

bool WriteShowTips(SettingsStore& store, bool show, QString* error) {
    store.Settings().setValue(QStringLiteral("ShowTips"), show ? 1 : 0);
    return store.Sync(error);
}

FallbackPatterns ReadFallbackPatterns(QSettings& store, QStringList* warnings) {
    FallbackPatterns patterns;
    if (const auto script = ReadText(store, QStringLiteral("ScriptExt"), warnings))
        patterns.ScriptExt = script->toStdString();
    if (const auto style = ReadText(store, QStringLiteral("StyleExt"), warnings))
        patterns.StyleExt = style->toStdString();
    return patterns;
}

}  // namespace trimora::app
