#pragma once

#include "common/ContinuousSleep.h"
#include "ctl/ControlExitCode.h"
#include "ctl/ControlOptions.h"
#include "model/CompanionPreferences.h"
#include "supervision/BundleInfo.h"
#include "system/HeadlessPlatformServices.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QTextStream>

#include <chrono>
#include <memory>
#include <optional>

class CompanionAppModel;
class CompanionProcessController;
struct ClientConfig;

// One `vendrilo-connect ctl` command. The app's model does the work, so every
// action checks, words and reports exactly as the windows do; this class only
// reaches the runtime (starting it through the supervision when none answers)
// and prints.
class ControlSession : public QObject {
    Q_OBJECT
public:
    struct Settings {
        // Between two reads of the runtime while a pairing is waited for, and
        // between two looks at the log with -f.
        std::chrono::milliseconds pollInterval{1000};
        // Standard output is a terminal: countdown in place, coloured QR code.
        bool terminal = false;
    };

    ControlSession(ControlOptions options, const BundleInfo& bundle, Settings settings,
                   QObject* parent = nullptr);
    ~ControlSession() override;

    QCoro::Task<ControlExitCode> run();

    // Ctrl+C: cancels the pairing being waited for, or ends `logs -f`. Returns
    // false when the running command has nothing to cancel.
    bool interrupt();

private:
    // Reaches the runtime, starting it when none answers (unless --no-start),
    // and reads it once.
    QCoro::Task<ControlExitCode> connectToRuntime();
    QCoro::Task<bool> runtimeAnswers() const;
    // After a model action: its error on stderr (1, or 3 when the runtime is
    // gone), else its notice on stdout (0).
    QCoro::Task<ControlExitCode> reportAction();

    QCoro::Task<ControlExitCode> status();
    QCoro::Task<ControlExitCode> pair();
    QCoro::Task<ControlExitCode> waitForApproval(QString code);
    QCoro::Task<ControlExitCode> unpair();
    QCoro::Task<ControlExitCode> listClients();
    QCoro::Task<ControlExitCode> addClient();
    QCoro::Task<ControlExitCode> testClients();
    QCoro::Task<ControlExitCode> removeClient();
    QCoro::Task<ControlExitCode> restart();
    QCoro::Task<ControlExitCode> logs();
    QCoro::Task<ControlExitCode> updateCheck();

    void printPairing(const QString& code);
    void printCountdown(const QString& code);
    // The client named by the command line, by id first, then by label.
    std::optional<ClientConfig> referencedClient(ControlExitCode& failure);

    ControlOptions m_options;
    Settings m_settings;
    QString m_applicationVersion;
    QTextStream m_out;
    QTextStream m_err;
    HeadlessPlatformServices m_platform;
    CompanionPreferences m_preferences;
    CompanionProcessController* m_processController;
    std::unique_ptr<CompanionAppModel> m_model;
    SleepCanceller m_interruption;
    bool m_interruptible = false;
};
