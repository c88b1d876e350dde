#pragma once

#include <optional>

#include <QSize>
#include <QString>
#include <QStringList>

#include "lst_association.h"
#include "settings_store.h"

namespace trimora::app {

struct RestoreReport {
    bool TagSettingsWritten = false;
    QString OldTagSettingsKeptAs;   // where a trimora.nti with other content was kept
    QString DamagedSettingsKeptAs;  // with Overwrite: where a damaged settings file was set aside
    bool SettingsWritten = false;
    bool Associated = false;  // with Overwrite: the association is in place
    AssociationReport Association;
    QStringList Problems;  // what could not be written, and why
};

// Writes the built-in tag settings to trimora.nti in the data folder (an
// existing file with other content is kept as trimora.nti.bak) and the
// default of every value RestoreDefaults writes. With Overwrite every default
// is written (a damaged settings file is set aside first), the toolbar is
// reset to the default buttons and the .lst association created; without it
// only values that do not exist yet are added (the toolbar counts as one
// value). primaryScreen places the windows in the middle of the screen;
// without one (no display) their positions are removed with Overwrite and
// left out otherwise, so that they open centred.
// The .lst association is part of a restore with Overwrite unless it is
// left to the desktop (a command-line first use on a server writes no
// desktop files).
enum class AssociationStep { Write, Leave };
RestoreReport RestoreDefaults(SettingsStore& store, bool Overwrite, const std::optional<QSize>& primaryScreen,
                              const LstAssociation& association, AssociationStep step = AssociationStep::Write);

// The buttons RestoreDefaults puts on the main toolbar; "" is a separator.
QStringList DefaultToolbarButtons();

// The first start: when nothing is stored yet (and the store can be written),
// RestoreDefaults with Overwrite. Answers the report when it ran.
std::optional<RestoreReport> RunFirstStart(SettingsStore& store, const std::optional<QSize>& primaryScreen,
                                           const LstAssociation& association,
                                           AssociationStep step = AssociationStep::Write);

}  // namespace trimora::app
