#include "ui/tkxqtdispatchercls.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

#include <utility>

namespace {

// One posted call; the event loop delivers the events of one receiver in posting order.
class TkxCallEvent : public QEvent {
public:
    static QEvent::Type TypeId() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    explicit TkxCallEvent(std::function<void()> call)
        : QEvent(TypeId())
        , Call(std::move(call)) {}
    std::function<void()> Call;
};

// How often a wait looks at its condition when nothing wakes it (a plain flag of a worker).
constexpr int WaitSliceMs = 5;

} // namespace

TkxQtDispatcher::TkxQtDispatcher(QObject* parent)
    : QObject(parent) {}

TkxQtDispatcher::~TkxQtDispatcher() {
    if (&TkxMainDispatcher() == this) {
        TkxSetMainDispatcher(nullptr);
    }
    QCoreApplication::sendPostedEvents(this, TkxCallEvent::TypeId());
}

void TkxQtDispatcher::Install() {
    TkxSetMainDispatcher(this);
}

bool TkxQtDispatcher::event(QEvent* e) {
    if (e->type() == TkxCallEvent::TypeId()) {
        auto* call = static_cast<TkxCallEvent*>(e);
        if (call->Call) {
            call->Call();
        }
        return true;
    }
    return QObject::event(e);
}

void TkxQtDispatcher::Post(std::function<void()> call) {
    QCoreApplication::postEvent(this, new TkxCallEvent(std::move(call)));
}

bool TkxQtDispatcher::IsMainThread() const {
    return QThread::currentThread() == thread();
}

bool TkxQtDispatcher::WaitUntil(const std::function<bool()>& done,
                                std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // The timer ends each blocking wait of the event loop after a slice at the latest.
    QTimer slice;
    slice.setInterval(WaitSliceMs);
    slice.start();
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void TkxQtDispatcher::Wake() {
    if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance(thread())) {
        loop->wakeUp();
    }
}
