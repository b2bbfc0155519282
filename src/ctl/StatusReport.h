#pragma once

#include "runtime/ClientConfig.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

class CompanionAppModel;

// What `ctl status` and `ctl clients list` print, read from the model after a
// refresh: the same words the tray and the dashboard show.
namespace StatusReport {

// The documented, stable shape of `ctl status --json` (schema_version 1).
QJsonObject json(const CompanionAppModel& model);
// The shape of `ctl clients list --json`: one object per client, by label.
QJsonArray clientsJson(const QList<ClientConfig>& clients);

QString text(const CompanionAppModel& model);
// One line per client, indented; "No torrent clients are configured." when empty.
QString clientsText(const QList<ClientConfig>& clients);
// "<label>: <auth state>" and the last error, for a client just tested.
QString clientStateLine(const ClientConfig& client);

} // namespace StatusReport
