#pragma once

#include <QObject>

#include <exception>

// One run of the model's refresh. Every caller that asks for a refresh while
// another run is under way joins the one round queued behind it and learns its
// outcome when it finishes.
class RefreshRound : public QObject {
    Q_OBJECT
public:
    bool showErrors = false;

    bool isFinished() const noexcept { return m_finished; }
    const std::exception_ptr& failure() const noexcept { return m_failure; }
    void finish(std::exception_ptr failure) {
        m_failure = std::move(failure);
        m_finished = true;
        Q_EMIT finished();
    }

Q_SIGNALS:
    void finished();

private:
    bool m_finished = false;
    std::exception_ptr m_failure;
};
