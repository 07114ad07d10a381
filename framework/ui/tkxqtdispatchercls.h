#pragma once

#include "base/tkxdispatchercls.h"

#include <QObject>

// The main-thread dispatcher on the Qt event loop of the thread that creates it. Posted calls
// are events to this object, so they run in the order they were posted, between the window
// system's own events. A main-thread wait for a worker (WaitUntil) keeps the event loop going,
// so the windows keep painting and a worker blocked in Synchronize gets its call run.
class TkxQtDispatcher : public QObject, public TkxDispatcher {
    Q_OBJECT
public:
    explicit TkxQtDispatcher(QObject* parent = nullptr);
    // Runs the calls still queued, so that no worker stays blocked in Synchronize, and stops
    // being the process's dispatcher when it is.
    ~TkxQtDispatcher() override;

    void Post(std::function<void()> call) override;
    bool IsMainThread() const override;
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override;
    void Wake() override;

    // Makes this the process's dispatcher, as long as it lives.
    void Install();

protected:
    bool event(QEvent* e) override;
};
