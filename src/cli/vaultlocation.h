#pragma once

#include <QProcessEnvironment>
#include <QString>

class QSettings;

// Where the vault is, in order: the --vault option, the LARCH_VAULT environment variable, then
// the vault the application remembers (read by the application's own rule, which also forgets a
// remembered folder that is gone). Throws UsageError when none names an existing folder.
QString locateVault(const QString& vaultOption, const QProcessEnvironment& environment,
                    QSettings& applicationSettings);

// The application's own preferences store (the one its window reads and writes).
QString applicationSettingsOrganization();
QString applicationSettingsName();
