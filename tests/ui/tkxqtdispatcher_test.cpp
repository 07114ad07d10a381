#include "ui/tkxqtdispatchercls.h"

#include "ui/tkxuitest.h"

#include <QTest>
#include <QTimer>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

class TkxQtDispatcherTest : public QObject {
    Q_OBJECT
private slots:
    void PostedCallsRunInOrderOnTheMainThread() {
        TkxQtDispatcher dispatcher;
        std::vector<int> order;
        std::atomic<bool> allMain = true;
        std::thread worker([&] {
            for (int i = 0; i < 200; ++i) {
                dispatcher.Post([&, i] {
                    allMain = allMain && dispatcher.IsMainThread();
                    order.push_back(i);
                });
            }
        });
        worker.join();
        QVERIFY(!dispatcher.IsMainThread() || order.empty());
        QVERIFY(dispatcher.WaitUntil([&] { return order.size() == 200; }, 10s));
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(order[static_cast<std::size_t>(i)], i);
        }
        QVERIFY(allMain);
    }

    void SynchronizeRunsOnTheMainThreadWhileItWaits() {
        TkxQtDispatcher dispatcher;
        std::atomic<bool> done = false;
        bool ranOnMain = false;
        // The main thread keeps serving its events while it waits for the worker: a timer
        // fires meanwhile, and the worker's Synchronize is answered.
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(1);
        std::thread worker([&] {
            dispatcher.Synchronize([&] { ranOnMain = dispatcher.IsMainThread(); });
            done = true;
            dispatcher.Wake();
        });
        const bool finished = dispatcher.WaitUntil([&] { return done.load() && ticks > 0; }, 10s);
        worker.join();
        QVERIFY(finished);
        QVERIFY(ranOnMain);
    }

    void SynchronizeHandsAFailureBack() {
        TkxQtDispatcher dispatcher;
        std::atomic<bool> caught = false;
        std::thread worker([&] {
            try {
                dispatcher.Synchronize([] { throw std::runtime_error("refused"); });
            } catch (const std::runtime_error&) {
                caught = true;
            }
        });
        QVERIFY(dispatcher.WaitUntil([&] { return caught.load(); }, 10s));
        worker.join();
    }

    void SynchronizeOnTheMainThreadRunsAtOnce() {
        TkxQtDispatcher dispatcher;
        bool ran = false;
        dispatcher.Synchronize([&] { ran = true; });
        QVERIFY(ran);
    }

    void WaitUntilGivesUpAtItsTimeOut() {
        TkxQtDispatcher dispatcher;
        QVERIFY(!dispatcher.WaitUntil([] { return false; }, 20ms));
    }

    void DestroyedDispatcherRunsWhatIsQueued() {
        int ran = 0;
        {
            TkxQtDispatcher dispatcher;
            dispatcher.Post([&] { ++ran; });
            dispatcher.Post([&] { ++ran; });
        }
        QCOMPARE(ran, 2);
    }

    void InstalledUntilDestroyed() {
        TkxDispatcher* before = &TkxMainDispatcher();
        const void* gone = nullptr;
        {
            TkxQtDispatcher dispatcher;
            dispatcher.Install();
            QCOMPARE(&TkxMainDispatcher(), static_cast<TkxDispatcher*>(&dispatcher));
            gone = &dispatcher;
        }
        QVERIFY(static_cast<const void*>(&TkxMainDispatcher()) != gone);
        TkxSetMainDispatcher(before);
    }
};

TKX_UI_TEST(TkxQtDispatcherTest);
#include "tkxqtdispatcher_test.moc"
