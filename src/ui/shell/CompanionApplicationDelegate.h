#pragma once

#include <QCoro/QCoroTask>
#include <QObject>

#include <functional>

class CompanionPreferences;

// Decides what a quit request means. By default Ctrl+Q only closes the windows
// and the app stays in the tray; an explicit "quit completely", a stored
// preference that says so, or a desktop without a tray lets it end, and then
// only after the preparation (the model's shutdown, which stops the runtime)
// has finished. Every way of quitting goes through requestTermination().
class CompanionApplicationDelegate : public QObject {
    Q_OBJECT
public:
    enum class TerminationReply { Cancel, Now, Later };
    Q_ENUM(TerminationReply)

    using PreparationHandler = std::function<QCoro::Task<>()>;

    explicit CompanionApplicationDelegate(CompanionPreferences& preferences, QObject* parent = nullptr);

    bool explicitTerminationRequested() const noexcept { return m_explicitTerminationRequested; }
    // The next termination request is a real quit.
    void setExplicitTerminationRequested(bool requested) { m_explicitTerminationRequested = requested; }
    bool isPreparingForTermination() const noexcept { return m_isPreparingForTermination; }
    void setTerminationPreparationHandler(PreparationHandler handler);
    // Without a tray there is nowhere to keep running in: quitting quits.
    bool isTrayAvailable() const noexcept { return m_trayAvailable; }
    void setTrayAvailable(bool available);

    // The decision; Later has started the preparation, which ends in
    // readyToTerminate().
    TerminationReply applicationShouldTerminate();
    // Asks the application to terminate: the decision, then an immediate
    // readyToTerminate() for Now.
    void requestTermination();
    // A real quit whatever the preference says: the tray's quit row, the
    // update installation, the session ending, SIGTERM.
    void quitCompletely();
    // Closes every titled window; the process, the runtime and the tray stay.
    void closeToMenuBar();
    // Back to the foreground (a window opened, a second launch): a later Ctrl+Q
    // is judged by the preference again.
    void prepareForForeground();

Q_SIGNALS:
    // The process may end now.
    void readyToTerminate();
    void trayAvailabilityChanged(bool available);

private:
    QCoro::Task<> prepareAndTerminate();

    CompanionPreferences& m_preferences;
    PreparationHandler m_terminationPreparationHandler;
    bool m_explicitTerminationRequested = false;
    bool m_isPreparingForTermination = false;
    bool m_trayAvailable = true;
};
