#pragma once

#include "app/UnixSignalWatcher.h"
#include "model/CompanionAppModelSetup.h"
#include "model/CompanionPreferences.h"
#include "supervision/BundleInfo.h"
#include "supervision/CompanionProcessController.h"
#include "system/HeadlessPlatformServices.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QTextStream>

// The application without windows or tray: the model starts up, refreshes and
// checks for updates; every change of the status presentation is one line on
// stdout. SIGTERM and SIGINT end it through the model's shutdown, which stops
// the runtime.
class HeadlessSession : public QObject {
    Q_OBJECT
public:
    explicit HeadlessSession(const BundleInfo& bundle, QObject* parent = nullptr);

    void start();
    // Shuts the model down, then leaves the event loop; later calls do nothing.
    QCoro::Task<> quit();

private:
    void printStatusIfChanged();
    // A new pending pairing: its code, link and QR code, once per code.
    void printPairingIfNew();

    QTextStream m_output;
    CompanionPreferences m_preferences;
    HeadlessPlatformServices m_platform;
    CompanionProcessController m_processController;
    CompanionAppModel m_model;
    UnixSignalWatcher m_signals;
    QString m_lastStatus;
    QString m_lastPrintedPairingCode;
    bool m_quitting = false;
};
