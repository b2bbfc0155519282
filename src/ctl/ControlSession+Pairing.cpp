#include "common/UserFacingError.h"
#include "ctl/ControlSession.h"
#include "ctl/TerminalQRCode.h"
#include "model/CompanionAppModel.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"

#include <QDateTime>

namespace {

// The pending pairing's code, trimmed; empty when the runtime reports none.
QString pendingCode(const CompanionAppModel& model) {
    if (!model.isPairingPending()) {
        return {};
    }
    return model.runtime()->identity.pairing.code.value_or(QString()).trimmed();
}

std::optional<QDateTime> pendingExpiry(const CompanionAppModel& model) {
    if (!model.runtime()) {
        return std::nullopt;
    }
    return model.runtime()->identity.pairing.expiresAt;
}

QString remainingText(qint64 seconds) {
    seconds = std::max<qint64>(seconds, 0);
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QCoro::Task<ControlExitCode> ControlSession::pair() {
    // Ctrl+C from here on cancels the pairing, also while it is being started.
    m_interruptible = true;
    co_await m_model->beginPairing();
    if (m_model->errorMessage()) {
        co_return co_await reportAction();
    }
    const QString code = pendingCode(*m_model);
    if (code.isEmpty()) {
        m_err << "The companion did not report a pairing code." << Qt::endl;
        co_return ControlExitCode::Failure;
    }
    printPairing(code);
    if (const std::optional<QString>& notice = m_model->noticeMessage()) {
        m_out << *notice << Qt::endl;
    }
    m_out << "Waiting for approval on the phone; Ctrl+C cancels the pairing." << Qt::endl;
    co_return co_await waitForApproval(code);
}

QCoro::Task<ControlExitCode> ControlSession::waitForApproval(QString code) {
    for (;;) {
        printCountdown(code);
        const bool elapsed = co_await continuousSleep(m_settings.pollInterval, &m_interruption);
        if (!elapsed) {
            if (m_settings.terminal) {
                m_out << Qt::endl;
            }
            co_await m_model->cancelPairing();
            if (m_model->errorMessage()) {
                co_return co_await reportAction();
            }
            m_out << "Pairing cancelled." << Qt::endl;
            co_return ControlExitCode::Failure;
        }
        const std::optional<QDateTime> expiry = pendingExpiry(*m_model);
        bool refreshed = true;
        try {
            co_await m_model->refresh(false);
        } catch (const std::exception& error) {
            m_err << Qt::endl << describeError(error) << Qt::endl;
            refreshed = false;
        }
        if (!refreshed) {
            co_return co_await runtimeAnswers() ? ControlExitCode::Failure : ControlExitCode::Unreachable;
        }
        if (m_model->isPaired()) {
            if (m_settings.terminal) {
                m_out << Qt::endl;
            }
            m_out << "Pairing approved." << Qt::endl;
            co_return ControlExitCode::Success;
        }
        const QString current = pendingCode(*m_model);
        if (current.isEmpty()) {
            if (m_settings.terminal) {
                m_out << Qt::endl;
            }
            const bool expired = expiry && *expiry <= QDateTime::currentDateTimeUtc();
            m_err << (expired ? "The pairing code expired." : "The pairing was cancelled.") << Qt::endl;
            co_return ControlExitCode::Failure;
        }
        if (current != code) {
            // Pairing was started again elsewhere: show the code that now counts.
            code = current;
            printPairing(code);
        }
    }
}

void ControlSession::printPairing(const QString& code) {
    m_out << "Pairing code: " << code << Qt::endl;
    if (const std::optional<PairingLinkPayload>& link = m_model->pairingLink()) {
        m_out << "Pairing link: " << link->webUrl << Qt::endl;
        m_out << TerminalQRCode::render(link->webUrl, m_settings.terminal);
    }
    if (!m_settings.terminal) {
        if (const std::optional<QDateTime> expiry = pendingExpiry(*m_model)) {
            m_out << "Expires in " << remainingText(QDateTime::currentDateTimeUtc().secsTo(*expiry))
                  << " (at " << expiry->toLocalTime().toString(QStringLiteral("HH:mm:ss")) << ")."
                  << Qt::endl;
        }
    }
    m_out.flush();
}

void ControlSession::printCountdown(const QString& code) {
    if (!m_settings.terminal) {
        return;
    }
    if (const std::optional<QDateTime> expiry = pendingExpiry(*m_model)) {
        m_out << "\r\x1b[2K" << code << " expires in "
              << remainingText(QDateTime::currentDateTimeUtc().secsTo(*expiry)) << Qt::flush;
    }
}
