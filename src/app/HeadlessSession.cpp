#include "app/HeadlessSession.h"

#include "ctl/TerminalQRCode.h"
#include "model/BundledCollaborators.h"
#include "runtime/SmallPayloads.h"

#include <QCoreApplication>
#include <QDateTime>

#include <csignal>
#include <unistd.h>

HeadlessSession::HeadlessSession(const BundleInfo& bundle, QObject* parent)
    : QObject(parent), m_output(stdout), m_processController(bundledRuntimeSettings(bundle)),
      m_model(bundledModelCollaborators(bundle, m_processController, m_platform, m_preferences)),
      m_signals({SIGTERM, SIGINT}) {
    connect(&m_model, &CompanionAppModel::statusPresentationDidChange, this,
            &HeadlessSession::printStatusIfChanged);
    connect(&m_model, &CompanionAppModel::pairingLinkChanged, this, &HeadlessSession::printPairingIfNew);
    m_model.setFullTerminationHandler([this] { quit(); });
    connect(&m_signals, &UnixSignalWatcher::received, this, [this] { quit(); });
}

void HeadlessSession::start() {
    m_model.startIfNeeded();
}

QCoro::Task<> HeadlessSession::quit() {
    if (m_quitting) {
        co_return;
    }
    m_quitting = true;
    co_await m_model.shutdown();
    QCoreApplication::exit(0);
}

void HeadlessSession::printStatusIfChanged() {
    // While shutting down, the runtime goes away on purpose: that is no status to report.
    if (m_quitting) {
        return;
    }
    const QString status = m_model.quickStatusTitle() + QStringLiteral(" | error: ") +
                           m_model.errorMessage().value_or(QStringLiteral("-")).simplified();
    // One line per visible change, not per assignment.
    if (status == m_lastStatus) {
        return;
    }
    m_lastStatus = status;
    m_output << QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) << ' ' << status << Qt::endl;
}

void HeadlessSession::printPairingIfNew() {
    const std::optional<PairingLinkPayload>& link = m_model.pairingLink();
    if (!link) {
        // Pairing ended: the same code coming back later is a new pairing.
        m_lastPrintedPairingCode.clear();
        return;
    }
    if (m_quitting || link->code == m_lastPrintedPairingCode) {
        return;
    }
    m_lastPrintedPairingCode = link->code;
    m_output << QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) << " Pairing code: " << link->code
             << '\n'
             << "Pairing link: " << link->webUrl << '\n'
             << TerminalQRCode::render(link->webUrl, ::isatty(STDOUT_FILENO) == 1) << Qt::flush;
}
